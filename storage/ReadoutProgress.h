#pragma once
// The arithmetic of the readout progress display: once a second it takes what the command
// layer reports of the reply under way (a new request, the expected and the received bytes) and
// gives the part, the percentage, the elapsed and remaining seconds and the caption.
#include <string>
#include <utility>

class CReadoutProgress {
public:
    // `caption`: the display's own caption; `parts`: 1 for one OUT, 2 for both.
    CReadoutProgress(std::string caption, int parts) : m_caption(std::move(caption)), m_parts(parts) {}

    // One tick with the values of CCommand::GetTransferProgress. A new request starts the next
    // part and restarts the seconds.
    void Tick(int started, int expected, int received);

    int Part() const { return m_part; }
    int Parts() const { return m_parts; }
    int Seconds() const { return m_seconds; }
    // received x 100 / expected (0 while nothing is expected).
    int Percent() const { return m_percent; }
    // True when the last tick changed the percentage (the bar moves only then).
    bool PercentChanged() const { return m_percentChanged; }
    // Whole bytes received per second so far (0 while nothing has come).
    int Rate() const { return m_rate; }
    // expected / rate - seconds; meaningful only while Rate() > 0.
    int RemainingSeconds() const { return m_remaining; }
    // "経過時間%d秒" while nothing has come, else "経過時間%d秒 完了まで残り%d秒".
    std::string TimeText() const;
    // "<caption>(<part>/<parts>)".
    std::string Caption() const;

private:
    std::string m_caption;
    int m_parts;
    int m_part = 0;
    int m_seconds = 0;
    int m_percent = 0;
    bool m_percentChanged = false;
    int m_rate = 0;
    int m_remaining = 0;
};
