#pragma once
// The progress window's stand-in without a display: the label and the progress on
// stderr, and Ctrl+C to ask for cancelling.
//
// On a terminal the line is drawn in place: "<label> [#####-----] 3/20". Otherwise
// (a pipe, a file) the label is written once and one line "3/20 (15%)" each time the
// progress passes another tenth of the range, so a log does not fill up. While the
// object exists Ctrl+C asks to cancel (InterruptRequest). The range follows the
// progress bar's rules (EInvalidOperation "TProgressBar property out of range" for a
// maximum below the minimum; the position kept inside the range).

#include <QString>
#include <csignal>
#include <cstdio>
#include <optional>

// Ctrl+C (SIGINT) as a request to stop a loop: while the object exists SIGINT only
// sets the request (the loop ends at its next poll, what was done stays done); the
// previous handler is put back when it goes.
class InterruptRequest {
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;

    // True once Ctrl+C came while the object existed.
    bool Requested() const;
    // True once Ctrl+C came while any of these objects existed in this process.
    static bool Interrupted();

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* out = stderr, std::optional<bool> inPlace = std::nullopt);
    // Ends the line drawn in place with a newline; restores the SIGINT handler.
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void SetLabel(const QString& label);
    void SetMin(int value);
    void SetMax(int value);
    void StepBy(int delta);
    int Position() const { return position_; }
    // True once Ctrl+C (SIGINT) came while the object existed.
    bool CancelRequested() const { return interrupt_.Requested(); }

private:
    void Draw();
    void Write(const QString& s);

    std::FILE* out_;
    bool inPlace_;
    QString label_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int lastTenth_ = 0;
    bool drawn_ = false;
    InterruptRequest interrupt_;
};
