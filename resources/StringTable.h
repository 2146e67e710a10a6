#pragma once
// String tables of the language modules and the choice of the current one.
//
// Each language module is a table of (string identifier, UTF-8 text) pairs with the identifiers of
// the built-in Japanese set ("jp"). Other modules ("us", "de") register their tables when they are
// loaded; LoadResourceString reads the table of the current language.
#include <span>
#include <string>

namespace qda {

struct StringResource {
    int id;
    const char* text;
};

// The built-in Japanese string table.
std::span<const StringResource> JapaneseStrings();

// Makes `strings` available under `language` ("us", "de", ...), replacing an earlier table of that
// name. The table must stay valid for the rest of the run. Returns false for an empty name or "jp".
bool RegisterLanguageStrings(const std::string& language, std::span<const StringResource> strings);

// Selects the table LoadResourceString reads. Returns false (and keeps the current language) when
// no table of that name is registered; "jp" is always available.
bool SelectLanguage(const std::string& language);

// The name of the current language ("jp" at start).
std::string CurrentLanguage();

// The text of string `id` in the current language; empty when the table has no such string, as a
// resource lookup that finds nothing.
std::string LoadResourceString(int id);

}  // namespace qda
