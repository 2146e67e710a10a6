#pragma once
// CTabList: the page that shows the settings of the selected program as a table, marks every cell
// that differs from the reference copy, can add the model names of the connected heads, and copies
// the table to the clipboard as text.
#include <QString>
#include <array>
#include <string>

#include "pages/SettingsPage.h"
#include "settings/SettingsBlock.h"

class CCommand;
class QTableWidget;

class CTabList : public CSettingsPage {
    Q_OBJECT
public:
    enum : int {
        IDC_COPY = 1082,
        IDC_LIST = 1083,
        IDC_ADD_MODELS = 1084,
    };
    static constexpr int kDialogList = 139;
    static constexpr int kInitialRows = 56;
    static constexpr int kColumns = 5;

    explicit CTabList(QWidget* parent = nullptr);

    // Remembers the program's list word, the current and the reference text, the PC communication
    // settings and the command object; clears both head model texts.
    void LoadPage(QObject* mainWindow, int listWord, const std::string& current, const std::string& reference,
                  const PcCommSetting& pcComm, CCommand* command);
    // Writes the carried list word back.
    void StorePage(int& listWord) const { listWord = m_listWord; }
    // Fills the table and enables the copy button when there is a current text.
    void RefreshPage();
    // The page has nothing to check.
    int CheckPage() { return 1; }
    void SetPcComm(const PcCommSetting& pcComm) { m_pcComm = pcComm; }

    // Asks the controller for the models of both heads (message 293 when that fails); refreshes.
    void AddHeadModels();
    // Copies the list text (and the head models when known) to the clipboard.
    void CopyToClipboard();

    QString CellText(int row, int column) const;
    // The difference mask of a row: bit j set when column j differs from the reference.
    int RowMask(int row) const;
    // Whether the cell is drawn in the marking colour.
    bool IsCellMarked(int row, int column) const;
    int RowCount() const;
    const std::string& ModelA() const { return m_modelA; }
    const std::string& ModelB() const { return m_modelB; }

private:
    // The cell text starts 4 pixels in; the rest keeps it clear of the grid line.
    static constexpr int kCellPadding = 12;
    void SetCell(int row, int column, const QString& text);
    void FitColumns();

    QTableWidget* m_list = nullptr;
    std::array<int, kColumns> m_baseWidths{};
    QObject* m_mainWindow = nullptr;
    int m_listWord = 0;
    std::string m_current;
    std::string m_reference;
    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    std::string m_modelA;
    std::string m_modelB;
};
