#pragma once
// CTabOutCalcData: the OUT sub-page of the scaling of both heads and the offset (bytes 40-79).
#include <QLabel>
#include <QList>

#include "pages/OutSubPage.h"

class CCommand;

class CTabOutCalcData : public COutSubPage {
    Q_OBJECT
public:
    enum : int {
        IDC_A_IN1 = 1035,
        IDC_A_OUT1 = 1036,
        IDC_A_IN2 = 1039,
        IDC_A_OUT2 = 1040,
        IDC_B_IN1 = 1043,
        IDC_B_OUT1 = 1044,
        IDC_B_IN2 = 1047,
        IDC_B_OUT2 = 1048,
        IDC_FROM_MEASURED = 1051,
        IDC_OFFSET = 1060,
    };

    explicit CTabOutCalcData(QWidget* parent = nullptr);

    // The rest of the context this sub-page gets at load.
    void SetContext(unsigned sendMessage, const PcCommSetting& pcComm, CCommand* command);
    void SetPcComm(const PcCommSetting& pcComm) { m_pcComm = pcComm; }
    // The calculation method (and measurement target) of the OUT: enables the scaling of the heads used.
    void SetCalc(int calc, int target);

    void StoreSlice() override;
    void RefreshSlice() override;
    int CheckTexts() override;

    // Whether the method uses head A's or head B's scaling.
    static bool UsesHeadA(int calc) { return calc >= 0 && calc <= 4; }
    static bool UsesHeadB(int calc) { return (calc >= 0 && calc <= 3) || calc == 5; }

private:
    void OnLoaded() override;
    void UpdateEnables();
    // "測定データから設定(&G)": sends the settings, puts the controller into setting mode and runs
    // the scaling dialog; its values replace the scaling of both heads.
    void OnFromMeasured();

    unsigned m_sendMessage = 0;
    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    int m_calc = 0;
    int m_target = 0;
    QList<QLabel*> m_unitLabels;
};
