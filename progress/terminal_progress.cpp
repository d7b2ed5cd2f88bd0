#include "progress/terminal_progress.h"

#include "platform/vcl/controls.h"
#include "platform/vcl/dialog_backends.h"

#include <algorithm>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_cancel = 0;
volatile std::sig_atomic_t g_interrupted = 0;  // not reset by the next object

extern "C" void OnInterrupt(int) {
    g_cancel = 1;
    g_interrupted = 1;
}

[[noreturn]] void OutOfRange() {
    throw EInvalidOperation(QStringLiteral("TProgressBar property out of range"));
}
}  // namespace

InterruptRequest::InterruptRequest() {
    g_cancel = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a question read from the terminal keeps waiting
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptRequest::~InterruptRequest() {
    if (installed_) sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptRequest::Requested() const { return g_cancel != 0; }

bool InterruptRequest::Interrupted() { return g_interrupted != 0; }

TerminalProgress::TerminalProgress(std::FILE* out, std::optional<bool> inPlace) : out_(out) {
    inPlace_ = inPlace ? *inPlace : ::isatty(::fileno(out_)) == 1;
}

TerminalProgress::~TerminalProgress() {
    if (inPlace_ && drawn_) Write(QStringLiteral("\n"));
    if (inPlace_ && out_ == stderr) SetTerminalLineOpen(false);
}

void TerminalProgress::Write(const QString& s) {
    const QByteArray bytes = s.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out_);
    std::fflush(out_);
}

void TerminalProgress::SetLabel(const QString& label) {
    label_ = label;
    if (inPlace_)
        Draw();
    else
        Write(label + u'\n');
}

void TerminalProgress::SetMin(int value) {
    if (value == min_) return;
    if (value > max_) OutOfRange();
    min_ = value;
    position_ = std::clamp(position_, min_, max_);
    lastTenth_ = 0;
    if (inPlace_) Draw();
}

void TerminalProgress::SetMax(int value) {
    if (value == max_) return;
    if (value < min_) OutOfRange();
    max_ = value;
    position_ = std::clamp(position_, min_, max_);
    lastTenth_ = 0;
    if (inPlace_) Draw();
}

void TerminalProgress::StepBy(int delta) {
    const long long next = static_cast<long long>(position_) + delta;
    position_ = static_cast<int>(std::clamp<long long>(next, min_, max_));
    Draw();
}

void TerminalProgress::Draw() {
    const long long total = static_cast<long long>(max_) - min_;
    const long long done = static_cast<long long>(position_) - min_;
    const QString counts = QStringLiteral("%1/%2").arg(done).arg(total);
    if (inPlace_) {
        constexpr int kWidth = 30;
        const int filled = total > 0 ? static_cast<int>(done * kWidth / total) : 0;
        const QString bar = QString(filled, u'#') + QString(kWidth - filled, u'-');
        QString line = QStringLiteral("\r");
        if (!label_.isEmpty()) line += label_ + u' ';
        line += QStringLiteral("[%1] %2\x1b[K").arg(bar, counts);
        Write(line);
        drawn_ = true;
        if (out_ == stderr) SetTerminalLineOpen(true);
        return;
    }
    if (total <= 0) return;
    const int tenth = static_cast<int>(done * 10 / total);
    if (tenth <= lastTenth_) return;
    lastTenth_ = tenth;
    Write(QStringLiteral("%1 (%2%)\n").arg(counts).arg(done * 100 / total));
}
