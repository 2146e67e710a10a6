#pragma once
// The text form of the user guide (help/src/<lang>/*.txt) and its conversion to the HTML that the
// PDF writer lays out. One line kind per purpose, so that a translator edits plain text:
//
//   = Title                     the document's title: the window the document is about
//   == Section, === Subsection  headings
//   - item                      a bullet list item
//   1. step                     a numbered step (the number itself is not kept)
//   term :: text                one row of a two-column table (controls, messages)
//   @picture NAME caption       a picture rendered from the program (help/HelpPictures.cpp)
//   # note                      a comment for the writers, not printed
//   any other line              paragraph text; lines up to a blank line join into one paragraph
//
// **text** is printed bold. {string N} stands for the program's text N (a message, 40000 + its
// code) and {ui TEXT} for the dialog text TEXT (its Japanese form), both in the document's
// language, so that the guide quotes what the operator sees. Everything else is taken literally
// (no HTML passes through).
#include <functional>
#include <string>
#include <vector>

namespace qda::help {

struct HelpBlock {
    enum Kind { kHeading, kSubheading, kParagraph, kBullets, kSteps, kTable, kPicture };
    Kind kind = kParagraph;
    std::vector<std::string> items;  // paragraph / heading: one; lists: one per item; table: term, text, ...
    std::string picture;             // kPicture: the picture's name; items[0] its caption
};

struct HelpDocument {
    std::string title;
    std::vector<HelpBlock> blocks;
    std::vector<std::string> problems;  // "line 12: ..." for lines that cannot be read
};

// Reads a help source. Lines that break the form (a second title, a picture without a name, a
// table row with an empty term) are reported in `problems` and left out.
HelpDocument ParseHelpSource(const std::string& text);

// The pictures the document names, in order, each once.
std::vector<std::string> PicturesOf(const HelpDocument& doc);

// Replaces each {string N} and {ui TEXT} of `text` by resolve(kind, argument) ("string", "40318"),
// with line breaks of the result turned into spaces. A reference resolve answers "" for, or one
// left open, stays as it is and is reported in `problems` with its line.
using ReferenceResolver = std::function<std::string(const std::string& kind, const std::string& argument)>;
std::string ExpandReferences(const std::string& text, const ReferenceResolver& resolve,
                             std::vector<std::string>* problems);

// HTML of the document. `pictureUrl(name)` gives the resource name of a rendered picture and its
// width in document pixels, or an empty url for a picture not rendered (left out with its caption).
struct PictureRef {
    std::string url;
    int width = 0;
};
std::string HelpHtml(const HelpDocument& doc,
                     const std::function<PictureRef(const std::string&)>& pictureUrl);

// Text made safe inside HTML (& < > " escaped), with **bold** turned into <b>.
std::string HelpInlineHtml(const std::string& text);

}  // namespace qda::help
