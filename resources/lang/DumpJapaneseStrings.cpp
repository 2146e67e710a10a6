// Build tool: writes the built-in Japanese string table as the strings.tsv of the "jp" module, so
// that module carries exactly the texts the program has built in.
#include <cstdio>
#include <fstream>
#include <string>

#include "resources/StringTable.h"

namespace {

std::string Escape(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        switch (*p) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += *p;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output strings.tsv>\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "# QD-Atlas string table, language jp: id, Japanese text, jp text\n";
    for (const qda::StringResource& s : qda::JapaneseStrings()) {
        if (!*s.text) continue;
        const std::string text = Escape(s.text);
        out << s.id << '\t' << text << '\t' << text << '\n';
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
