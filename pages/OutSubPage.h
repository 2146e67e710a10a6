#pragma once
// COutSubPage: what the three sub-pages of the OUT page share: their slice of the OUT page's record,
// the unit conversion of the OUT's digits row, and edits that show and parse lengths with it.
#include <vector>

#include "pages/SettingsPage.h"
#include "settings/SettingsBlock.h"

class CNumEdit;

class COutSubPage : public CSettingsPage {
    Q_OBJECT
public:
    using CSettingsPage::CSettingsPage;

    // Remembers the OUT page's record (whose slice this page edits) and the conversion context: the
    // environment's unit and the OUT's two digits rows as they are now.
    void LoadSlice(QObject* mainWindow, OutSetting* out, bool isOut2, int unit);
    // Writes the controls into the slice.
    virtual void StoreSlice() = 0;
    // Sets the controls from the slice.
    virtual void RefreshSlice() = 0;
    // The text checks of this page's edits (message 192/193 and focus on failure); 1 pass, 0 fail.
    virtual int CheckTexts() = 0;

    int Unit() const { return m_unit; }
    int MmDigits() const { return m_mm; }
    int InchDigits() const { return m_inch; }

protected:
    // A decimal edit for a length: tested in the display unit, rewritten in the display format when
    // it loses the focus holding a valid number.
    CNumEdit* MakeLengthEdit(int id, bool nonNegative = false);
    // Shows `v` in edit `id` in the display format of the OUT's row.
    void ShowLength(int id, int32_t v);
    // The length typed into edit `id`; `keep` when the text is not a number.
    int32_t ReadLength(int id, int32_t keep) const;
    // False, with message 192 (the row's bounds) and focus, when edit `id` does not hold a number.
    bool CheckLengthText(int id, bool nonNegative);
    // The text "lo～hi" bounds of message `code` ("%s～%sの数値を入力してください。" and the like).
    QString BoundsText(int code, bool nonNegative) const;
    // Applies the row of the OUT to every length edit (range and tool tip).
    void ApplyRow();
    // Called after LoadSlice, once the context is known.
    virtual void OnLoaded() {}

    QObject* m_mainWindow = nullptr;
    OutSetting* m_out = nullptr;
    bool m_isOut2 = false;
    int m_unit = 0;
    int m_mm = 0;
    int m_inch = 0;

private:
    struct LengthEdit {
        CNumEdit* edit;
        bool nonNegative;
    };
    std::vector<LengthEdit> m_lengthEdits;
};
