// The Debian packages as an operator receives them: each package's files and control fields, and
// the programs unpacked from them, run against each other with nothing of the build tree.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/SimProcess.h"
#include "usblib/ChildProcess.h"

namespace fs = std::filesystem;
using qda::test::RunProgram;
using qda::test::RunResult;

namespace {

const std::string kVersion = QDA_PACKAGE_VERSION;
const std::string kLibDir = "usr/" QDA_INSTALL_LIBDIR;

std::string PackageFile(const std::string& name) {
    return std::string(QDA_PACKAGE_DIR) + "/" + name + "_" + kVersion + "_amd64.deb";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The regular files and links a package holds, as paths without the leading "./".
std::set<std::string> PackageContents(const std::string& package) {
    const RunResult r = RunProgram("/usr/bin/dpkg-deb", {"--contents", PackageFile(package)});
    std::set<std::string> files;
    std::istringstream lines(r.out);
    // "-rw-r--r-- root/root 1234 2026-12-08 08:46 ./usr/bin/qd-atlas", links end in " -> target".
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == 'd') continue;
        const size_t start = line.find(" ./");
        if (start == std::string::npos) continue;
        std::string path = line.substr(start + 3);
        if (const size_t arrow = path.find(" -> "); arrow != std::string::npos) path.resize(arrow);
        files.insert(path);
    }
    return files;
}

std::string ControlField(const std::string& package, const std::string& field) {
    const RunResult r = RunProgram("/usr/bin/dpkg-deb", {"--field", PackageFile(package), field});
    std::string value = r.out;
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
    return value;
}

// Every package unpacked into one scratch folder, as dpkg would lay them out below /.
class UnpackedPackages : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/qda-unpacked-XXXXXX";
        root_ = ::mkdtemp(dir);
        for (const char* p :
             {"qd-atlas", "vantorusbd", "libvantorusbdrv1", "libvantorusbdrv-dev", "qd-atlas-tools"}) {
            const RunResult r = RunProgram("/usr/bin/dpkg-deb", {"-x", PackageFile(p), root_});
            unpacked_ = unpacked_ && r.exitCode == 0;
        }
        // The unpacked programs find the unpacked library, never the build tree's.
        ::setenv("LD_LIBRARY_PATH", (root_ + "/" + kLibDir).c_str(), 1);
    }
    static void TearDownTestSuite() {
        ::unsetenv("LD_LIBRARY_PATH");
        fs::remove_all(root_);
    }
    void SetUp() override {
        ASSERT_TRUE(unpacked_) << "the packages in " << QDA_PACKAGE_DIR << " did not unpack";
    }
    static std::string Path(const std::string& relative) { return root_ + "/" + relative; }

    static inline std::string root_;
    static inline bool unpacked_ = true;
};

}  // namespace

TEST(Packages, HoldExactlyTheirFiles) {
    std::map<std::string, std::set<std::string>> expected;
    // Every package carries its copyright file and changelog.
    auto files = [&expected](const std::string& package) -> std::set<std::string>& {
        auto& set = expected[package];
        set.insert({"usr/share/doc/" + package + "/copyright", "usr/share/doc/" + package + "/changelog.gz"});
        return set;
    };
    auto& program = files("qd-atlas");
    program.insert({"usr/bin/qd-atlas", "usr/share/applications/qd-atlas.desktop",
                    "usr/share/icons/hicolor/scalable/apps/qd-atlas.svg",
                    "usr/share/metainfo/com.vantor.QDAtlas.metainfo.xml",
                    "usr/share/man/man1/qd-atlas.1.gz"});
    for (const char* lang : {"jp", "us", "de"})
        program.insert(kLibDir + "/qd-atlas/QD-Atlas.Lang." + lang + ".so");
    for (const char* folder : {"JP", "US", "DE"}) {
        for (const char* document : {"QD-Atlas.pdf", "QD-AtlasWave.pdf", "QD-AtlasCalc.pdf",
                                     "QD-AtlasStorage.pdf", "QD-AtlasEnvironment.pdf", "QD-AtlasHead.pdf"})
            program.insert(std::string("usr/share/qd-atlas/help/") + folder + "/" + document);
    }

    auto& daemon = files("vantorusbd");
    daemon.insert({"usr/sbin/vantorusbd", "lib/systemd/system/vantorusbd.socket",
                   "lib/systemd/system/vantorusbd.service", "lib/udev/rules.d/60-vantorusb.rules",
                   "usr/share/metainfo/com.vantor.vantorusbd.metainfo.xml",
                   "usr/share/man/man8/vantorusbd.8.gz"});

    auto& library = files("libvantorusbdrv1");
    library.insert({kLibDir + "/libVantorUsbDrv.so.1", kLibDir + "/libVantorUsbDrv.so.1.0.0"});

    auto& devel = files("libvantorusbdrv-dev");
    devel.insert({"usr/include/VantorUsbDrv.h", kLibDir + "/libVantorUsbDrv.so",
                  kLibDir + "/pkgconfig/vantorusbdrv.pc"});

    auto& tools = files("qd-atlas-tools");
    tools.insert({"usr/bin/qd-atlas-cli", "usr/bin/qd-atlas-sim", "usr/share/man/man1/qd-atlas-cli.1.gz",
                  "usr/share/man/man1/qd-atlas-sim.1.gz"});

    for (const auto& [package, files] : expected) {
        SCOPED_TRACE(package);
        const std::set<std::string> actual = PackageContents(package);
        std::vector<std::string> missing, extra;
        std::set_difference(files.begin(), files.end(), actual.begin(), actual.end(),
                            std::back_inserter(missing));
        std::set_difference(actual.begin(), actual.end(), files.begin(), files.end(),
                            std::back_inserter(extra));
        EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
        EXPECT_TRUE(extra.empty()) << "not expected: " << testing::PrintToString(extra);
    }
}

TEST(Packages, DependOnWhatTheirBinariesUse) {
    struct Case {
        const char* package;
        std::vector<std::string> depends;  // each must appear in the Depends field
    };
    const std::string lib = "libvantorusbdrv1 (= " + kVersion + ")";
    const Case cases[] = {
        {"qd-atlas", {lib, "libqt6widgets6", "libqt6gui6", "libqt6core6", "qt6-qpa-plugins", "libstdc++6"}},
        {"vantorusbd", {"libusb-1.0-0", "adduser", "libc6"}},
        {"libvantorusbdrv1", {"libusb-1.0-0", "libc6"}},
        {"libvantorusbdrv-dev", {lib}},
        {"qd-atlas-tools", {lib, "libstdc++6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.package);
        EXPECT_EQ(ControlField(c.package, "Version"), kVersion);
        EXPECT_EQ(ControlField(c.package, "Architecture"), "amd64");
        const std::string depends = ControlField(c.package, "Depends");
        for (const std::string& d : c.depends) EXPECT_NE(depends.find(d), std::string::npos) << depends;
        // Nothing of the build machine leaks into the control data.
        EXPECT_EQ(depends.find("/"), std::string::npos) << depends;
    }
}

TEST(Packages, LibraryCarriesItsSonameShlibsAndLoaderTrigger) {
    char dir[] = "/tmp/qda-deb-control-XXXXXX";
    const std::string tmp = ::mkdtemp(dir);
    ASSERT_EQ(RunProgram("/usr/bin/dpkg-deb", {"--control", PackageFile("libvantorusbdrv1"), tmp}).exitCode,
              0);
    EXPECT_EQ(ReadText(tmp + "/shlibs"), "libVantorUsbDrv 1 libvantorusbdrv1 (>= " + kVersion + ")\n");
    EXPECT_NE(ReadText(tmp + "/triggers").find("activate-noawait ldconfig"), std::string::npos);
    fs::remove_all(tmp);
}

TEST_F(UnpackedPackages, LibraryAndProgramsAreStrippedAndNeedNoBuildTree) {
    struct Case {
        std::string file;
        std::string soname;  // expected SONAME, "" for programs
    };
    const Case cases[] = {
        {kLibDir + "/libVantorUsbDrv.so.1.0.0", "libVantorUsbDrv.so.1"},
        {"usr/bin/qd-atlas", ""},
        {"usr/bin/qd-atlas-cli", ""},
        {"usr/bin/qd-atlas-sim", ""},
        {"usr/sbin/vantorusbd", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const RunResult dyn = RunProgram("/usr/bin/readelf", {"--dynamic", Path(c.file)});
        ASSERT_EQ(dyn.exitCode, 0);
        EXPECT_EQ(dyn.out.find("RPATH"), std::string::npos) << dyn.out;
        EXPECT_EQ(dyn.out.find("RUNPATH"), std::string::npos) << dyn.out;
        if (!c.soname.empty()) {
            EXPECT_NE(dyn.out.find("[" + c.soname + "]"), std::string::npos) << dyn.out;
        }
        const RunResult sections = RunProgram("/usr/bin/readelf", {"--section-headers", Path(c.file)});
        EXPECT_EQ(sections.out.find(".debug_info"), std::string::npos) << "not stripped";
    }
}

TEST_F(UnpackedPackages, DaemonUnitsRuleAndScriptsFitTogether) {
    const std::string service = ReadText(Path("lib/systemd/system/vantorusbd.service"));
    EXPECT_NE(service.find("ExecStart=/usr/sbin/vantorusbd --group vantorusb\n"), std::string::npos)
        << service;
    const std::string socket = ReadText(Path("lib/systemd/system/vantorusbd.socket"));
    EXPECT_NE(socket.find("ListenStream=/run/vantorusb/VantorUSB_U-0\n"), std::string::npos);
    EXPECT_NE(socket.find("SocketGroup=vantorusb\n"), std::string::npos);
    const std::string rule = ReadText(Path("lib/udev/rules.d/60-vantorusb.rules"));
    EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos);
    EXPECT_NE(rule.find("ATTR{idVendor}==\"1209\""), std::string::npos);

    char dir[] = "/tmp/qda-deb-control-XXXXXX";
    const std::string tmp = ::mkdtemp(dir);
    ASSERT_EQ(RunProgram("/usr/bin/dpkg-deb", {"--control", PackageFile("vantorusbd"), tmp}).exitCode, 0);
    EXPECT_NE(ReadText(tmp + "/postinst").find("addgroup --system --quiet vantorusb"), std::string::npos);
    for (const char* script : {"postinst", "prerm", "postrm"}) {
        SCOPED_TRACE(script);
        struct stat st {};
        ASSERT_EQ(::stat((tmp + "/" + script).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0755u);
        const RunResult syntax = RunProgram("/bin/sh", {"-n", tmp + "/" + script});
        EXPECT_EQ(syntax.exitCode, 0) << syntax.err;
    }
    fs::remove_all(tmp);
}

TEST_F(UnpackedPackages, CliTalksToTheSimulatorOverAPseudoTerminal) {
    ::setenv("QDA_BIN_DIR", Path("usr/bin").c_str(), 1);
    qda::test::SimProcess sim;
    ::unsetenv("QDA_BIN_DIR");
    ASSERT_TRUE(sim.ok()) << "the unpacked qd-atlas-sim did not start";
    const RunResult state = RunProgram(Path("usr/bin/qd-atlas-cli"), {"state", "--serial", sim.SlavePath()});
    EXPECT_EQ(state.exitCode, 0) << state.err;
    EXPECT_NE(state.out.find("蓄積データ数"), std::string::npos) << state.out;
    const RunResult head =
        RunProgram(Path("usr/bin/qd-atlas-cli"), {"-us", "head-info", "A", "--serial", sim.SlavePath()});
    EXPECT_EQ(head.exitCode, 0) << head.err;
    EXPECT_NE(head.out.find("QD-R17"), std::string::npos) << head.out;
}

TEST_F(UnpackedPackages, CliReachesTheSimulatorThroughTheUnpackedDaemonAndLibrary) {
    const std::string sockets = Path("run-vantorusb");
    fs::create_directories(sockets);
    ::chmod(sockets.c_str(), 0700);
    ChildProcess sim({Path("usr/bin/qd-atlas-sim"), "--usb-socket", sockets + "/sim.sock"});
    for (int i = 0; i < 100 && !fs::exists(sockets + "/sim.sock"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ChildProcess daemon(
        {Path("usr/sbin/vantorusbd"), "--sim", sockets + "/sim.sock", "--socket-dir", sockets});
    for (int i = 0; i < 100 && !fs::exists(sockets + "/VantorUSB_U-0"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(sockets + "/VantorUSB_U-0")) << "the unpacked vantorusbd did not serve";

    ::setenv("VANTORUSB_SOCKET_DIR", sockets.c_str(), 1);
    RunResult state;
    // The daemon may still be attaching the simulated controller.
    for (int attempt = 0; attempt < 20; ++attempt) {
        state = RunProgram(Path("usr/bin/qd-atlas-cli"), {"state", "--usb"});
        if (state.exitCode == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::unsetenv("VANTORUSB_SOCKET_DIR");
    EXPECT_EQ(state.exitCode, 0) << state.err;
    EXPECT_NE(state.out.find("蓄積データ数"), std::string::npos) << state.out;
}

TEST_F(UnpackedPackages, DevelopmentPackageBuildsAClientOfTheLibrary) {
    const std::string work = Path("client");
    fs::create_directories(work);
    std::ofstream(work + "/client.c") << "#include <stdio.h>\n"
                                         "#include <VantorUsbDrv.h>\n"
                                         "int main(void) {\n"
                                         "    char version[65] = {0}, text[65] = {0};\n"
                                         "    if (!GetUsbDllVer(version, text)) return 1;\n"
                                         "    printf(\"%s|%s\\n\", version, text);\n"
                                         "    return 0;\n"
                                         "}\n";
    // pkg-config sees only the unpacked packages.
    ::setenv("PKG_CONFIG_SYSROOT_DIR", root_.c_str(), 1);
    ::setenv("PKG_CONFIG_LIBDIR", Path(kLibDir + "/pkgconfig").c_str(), 1);
    const RunResult flags = RunProgram("/usr/bin/pkg-config", {"--cflags", "--libs", "vantorusbdrv"});
    const RunResult version = RunProgram("/usr/bin/pkg-config", {"--modversion", "vantorusbdrv"});
    ::unsetenv("PKG_CONFIG_SYSROOT_DIR");
    ::unsetenv("PKG_CONFIG_LIBDIR");
    ASSERT_EQ(flags.exitCode, 0) << flags.err;
    EXPECT_EQ(version.out, kVersion + "\n");

    std::vector<std::string> args{"-std=c99", "-Wall", "-Werror", "-o", work + "/client", work + "/client.c"};
    std::istringstream words(flags.out);
    for (std::string w; words >> w;) args.push_back(w);
    const RunResult compile = RunProgram("/usr/bin/cc", args);
    ASSERT_EQ(compile.exitCode, 0) << compile.err << "\nflags: " << flags.out;
    const RunResult run = RunProgram(work + "/client", {});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "1.00.00|Vantor USB DYNAMIC LINK LIBRARY\n");
}
