#pragma once
// CTabOutDetailesSetting: the OUT sub-page of the minimum display unit and the analog output
// (bytes 80-119). A change of the display unit resets the values that depend on it, after the
// operator confirms it.
#include "pages/OutSubPage.h"

class CTabOutDetailesSetting : public COutSubPage {
    Q_OBJECT
public:
    enum : int {
        IDC_UNIT_LABEL1 = 1037,
        IDC_UNIT_LABEL2 = 1038,
        IDC_DIGITS = 1069,
        IDC_THROUGH = 1070,
        IDC_ANALOG_IN1 = 1071,
        IDC_ANALOG_OUT1 = 1072,
        IDC_ANALOG_IN2 = 1073,
        IDC_ANALOG_OUT2 = 1074,
    };

    explicit CTabOutDetailesSetting(QWidget* parent = nullptr);

    void SetReloadMessage(unsigned message) { m_reloadMessage = message; }
    void StoreSlice() override;
    void RefreshSlice() override;
    int CheckTexts() override;

    // Asks message 302 when the display unit differs from the one remembered for the current unit
    // setting. OK: remembers it, empties the copy buffer and sends the reload message to the main
    // window; returns true. Cancel: puts the remembered selection back; returns false. An unchanged
    // selection (or a question already open) returns true without asking.
    bool ConfirmDigitsChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnLoaded() override;
    void UpdateUnitLabels();
    int& Remembered() { return m_unit == 1 ? m_rememberedInch : m_rememberedMm; }

    unsigned m_reloadMessage = 0;
    int m_rememberedMm = 0;
    int m_rememberedInch = 0;
};
