// qd-atlas-cli ports: the port list scripts read, one port a line with four tab-separated fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "comm/SerialPorts.h"

namespace {

using qda::test::CliResult;
using qda::test::RunCli;

TEST(PortsCliTest, PrintsThisMachinesPortsAsTheDialogListsThem) {
    const CliResult r = RunCli({"ports"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string expected;
    for (const qda::SerialPortInfo& p : qda::ListSerialPorts())
        expected += p.device + '\t' + p.byId + '\t' + qda::PortDescription(p) + '\t' + p.serialNumber + '\n';
    EXPECT_EQ(r.out, expected);
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
        EXPECT_EQ(line.rfind("/dev/", 0), 0u) << line;
    }
}

TEST(PortsCliTest, RefusesArgumentsItDoesNotTake) {
    for (const auto& args :
         {std::vector<std::string>{"ports", "extra"}, {"ports", "--serial", "/dev/ttyS0"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_NE(r.err.find("usage: qd-atlas-cli ports"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const CliResult help = RunCli({"ports", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("DEVICE<TAB>BY-ID<TAB>DESCRIPTION<TAB>SERIAL"), std::string::npos);
}

}  // namespace
