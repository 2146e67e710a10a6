#include "help/HelpMarkup.h"

#include <algorithm>
#include <sstream>

namespace qda::help {

namespace {

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// "12. text" → "text"; false when the line is no numbered step.
bool StepText(const std::string& line, std::string* text) {
    size_t i = 0;
    while (i < line.size() && i < 3 && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == 0 || i + 1 >= line.size() || line[i] != '.' || line[i + 1] != ' ') return false;
    *text = Trim(line.substr(i + 2));
    return !text->empty();
}

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string HelpInlineHtml(const std::string& text) {
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t open = text.find("**", pos);
        const size_t close = open == std::string::npos ? std::string::npos : text.find("**", open + 2);
        if (close == std::string::npos) break;  // an unpaired ** stays as it is
        out += Escape(text.substr(pos, open - pos)) + "<b>" +
               Escape(text.substr(open + 2, close - open - 2)) + "</b>";
        pos = close + 2;
    }
    return out + Escape(text.substr(pos));
}

HelpDocument ParseHelpSource(const std::string& text) {
    HelpDocument doc;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto problem = [&](const std::string& what) {
        doc.problems.push_back("line " + std::to_string(lineNo) + ": " + what);
    };
    // Appends to the last block when it is of `kind`, else starts one.
    auto block = [&](HelpBlock::Kind kind) -> HelpBlock& {
        if (doc.blocks.empty() || doc.blocks.back().kind != kind)
            doc.blocks.push_back(HelpBlock{kind, {}, {}});
        return doc.blocks.back();
    };
    bool paragraphOpen = false;
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty()) {
            paragraphOpen = false;
            continue;
        }
        if (line[0] == '#') continue;
        const bool continuesParagraph = paragraphOpen;
        paragraphOpen = false;
        std::string step;
        const size_t level = line.find_first_not_of('=');
        const bool headingMark =
            level >= 2 && level <= 3 && (level == std::string::npos || line[level] == ' ');
        if (line == "==" || line == "===" || headingMark) {
            const bool sub = line.compare(0, 3, "===") == 0;
            const std::string heading = Trim(line.substr(sub ? 3 : 2));
            if (heading.empty()) {
                problem("a heading without text");
                continue;
            }
            doc.blocks.push_back(
                HelpBlock{sub ? HelpBlock::kSubheading : HelpBlock::kHeading, {heading}, {}});
        } else if (StartsWith(line, "= ")) {
            if (!doc.title.empty()) {
                problem("a second title");
                continue;
            }
            doc.title = Trim(line.substr(2));
        } else if (StartsWith(line, "- ")) {
            block(HelpBlock::kBullets).items.push_back(Trim(line.substr(2)));
        } else if (StepText(line, &step)) {
            block(HelpBlock::kSteps).items.push_back(step);
        } else if (StartsWith(line, "@picture")) {
            std::istringstream words(line.substr(8));
            std::string name;
            words >> name;
            std::string caption;
            std::getline(words, caption);
            const bool nameOk = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
            });
            if (!nameOk) {
                problem("a picture needs a name of a-z, 0-9 and -");
                continue;
            }
            doc.blocks.push_back(HelpBlock{HelpBlock::kPicture, {Trim(caption)}, name});
        } else if (const size_t sep = line.find(" :: "); sep != std::string::npos) {
            const std::string term = Trim(line.substr(0, sep));
            if (term.empty()) {
                problem("a table row without its term");
                continue;
            }
            HelpBlock& table = block(HelpBlock::kTable);
            table.items.push_back(term);
            table.items.push_back(Trim(line.substr(sep + 4)));
        } else if (continuesParagraph) {
            doc.blocks.back().items[0] += " " + line;
            paragraphOpen = true;
        } else {
            doc.blocks.push_back(HelpBlock{HelpBlock::kParagraph, {line}, {}});
            paragraphOpen = true;
        }
    }
    if (doc.title.empty()) problem("the document has no title (a line \"= Title\")");
    return doc;
}

std::string ExpandReferences(const std::string& text, const ReferenceResolver& resolve,
                             std::vector<std::string>* problems) {
    std::string out;
    size_t pos = 0;
    auto lineOf = [&text](size_t at) { return 1 + std::count(text.begin(), text.begin() + at, '\n'); };
    auto report = [&](size_t at, const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(lineOf(at)) + ": " + what);
    };
    for (;;) {
        const size_t open = text.find('{', pos);
        if (open == std::string::npos) break;
        out += text.substr(pos, open - pos);
        const size_t close = text.find('}', open);
        const size_t eol = text.find('\n', open);
        const std::string inner = close == std::string::npos || close > eol
                                      ? std::string()
                                      : text.substr(open + 1, close - open - 1);
        const size_t space = inner.find(' ');
        const std::string kind = space == std::string::npos ? std::string() : inner.substr(0, space);
        if (kind != "string" && kind != "ui") {
            if (close == std::string::npos || close > eol) {
                if (text.compare(open, 8, "{string ") == 0 || text.compare(open, 4, "{ui ") == 0)
                    report(open, "a reference without its closing }");
            }
            out += '{';
            pos = open + 1;
            continue;
        }
        const std::string argument = Trim(inner.substr(space + 1));
        std::string value = argument.empty() ? std::string() : resolve(kind, argument);
        if (value.empty()) {
            report(open, "the program has no text for {" + inner + "}");
            out += text.substr(open, close - open + 1);
        } else {
            std::replace(value.begin(), value.end(), '\n', ' ');
            std::replace(value.begin(), value.end(), '\r', ' ');
            out += value;
        }
        pos = close + 1;
    }
    return out + text.substr(pos);
}

std::vector<std::string> PicturesOf(const HelpDocument& doc) {
    std::vector<std::string> names;
    for (const HelpBlock& b : doc.blocks) {
        if (b.kind == HelpBlock::kPicture && std::find(names.begin(), names.end(), b.picture) == names.end())
            names.push_back(b.picture);
    }
    return names;
}

std::string HelpHtml(const HelpDocument& doc,
                     const std::function<PictureRef(const std::string&)>& pictureUrl) {
    std::string html = "<html><head><title>" + Escape(doc.title) + "</title></head><body>";
    html += "<h1>" + Escape(doc.title) + "</h1>";
    for (const HelpBlock& b : doc.blocks) {
        switch (b.kind) {
            case HelpBlock::kHeading:
                html += "<h2>" + HelpInlineHtml(b.items[0]) + "</h2>";
                break;
            case HelpBlock::kSubheading:
                html += "<h3>" + HelpInlineHtml(b.items[0]) + "</h3>";
                break;
            case HelpBlock::kParagraph:
                html += "<p>" + HelpInlineHtml(b.items[0]) + "</p>";
                break;
            case HelpBlock::kBullets:
            case HelpBlock::kSteps: {
                const char* tag = b.kind == HelpBlock::kBullets ? "ul" : "ol";
                html += std::string("<") + tag + ">";
                for (const std::string& item : b.items) html += "<li>" + HelpInlineHtml(item) + "</li>";
                html += std::string("</") + tag + ">";
                break;
            }
            case HelpBlock::kTable:
                html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">";
                for (size_t i = 0; i + 1 < b.items.size(); i += 2) {
                    html += "<tr><td width=\"30%\"><b>" + HelpInlineHtml(b.items[i]) + "</b></td><td>" +
                            HelpInlineHtml(b.items[i + 1]) + "</td></tr>";
                }
                html += "</table>";
                break;
            case HelpBlock::kPicture: {
                const PictureRef ref = pictureUrl ? pictureUrl(b.picture) : PictureRef{};
                if (ref.url.empty()) break;
                html += "<p align=\"center\"><img src=\"" + Escape(ref.url) + "\" width=\"" +
                        std::to_string(ref.width) + "\"><br><i>" + HelpInlineHtml(b.items[0]) + "</i></p>";
                break;
            }
        }
    }
    return html + "</body></html>";
}

}  // namespace qda::help
