#pragma once
// The dialog, menu and label texts of the current language, looked up by their Japanese text.
#include <QString>
#include <vector>

#include "resources/lang/LanguageTables.h"

namespace qda {

// The text a widget shows for its Japanese UTF-8 literal: the translation of the current language
// module, or the Japanese text itself (Japanese, no module loaded, or no translation). Thread-safe.
QString UiText(const char* japaneseUtf8);
QString UiText(const QString& japanese);

// Replaces the translations UiText answers with `texts` (empty: every text stays Japanese).
// A translation whose placeholders differ from its Japanese text is left out, so the Japanese text
// is shown rather than a text that breaks its formatting. Returns the number left out.
int SetUiTexts(const std::vector<TranslatedUiText>& texts);

// Number of translations UiText currently knows.
int UiTextCount();

}  // namespace qda
