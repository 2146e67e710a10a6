#pragma once
// CTabOutLoadData: the OUT sub-page of the hold mode, trigger, filter and tolerance (bytes 8-39).
#include <QLabel>
#include <QList>

#include "pages/OutSubPage.h"

class CTabOutLoadData : public COutSubPage {
    Q_OBJECT
public:
    enum : int {
        IDC_HOLD = 1017,
        IDC_TRIGGER = 1018,
        IDC_FILTER_TYPE = 1020,
        IDC_FILTER_DETAIL = 1021,
        IDC_TOLE_UPPER = 1062,
        IDC_TOLE_LOWER = 1063,
        IDC_TOLE_HYS = 1064,
    };

    explicit CTabOutLoadData(QWidget* parent = nullptr);

    void StoreSlice() override;
    void RefreshSlice() override;
    int CheckTexts() override;

    // The label and unit texts shown beside combo 1021 now.
    QString DetailLabel() const;
    QString DetailUnit() const;

private:
    void OnLoaded() override;
    void OnHoldChanged();
    void OnFilterTypeChanged();
    // Fills combo 1021 for the filter kind (moving average or a cut-off) and selects `index`.
    void FillDetail(bool average, int index);

    bool m_detailIsAverage = true;  // what combo 1021 lists now
    bool m_refreshing = false;
    QLabel* m_detailLabel = nullptr;
    QLabel* m_detailUnit = nullptr;
    QList<QLabel*> m_unitLabels;
};
