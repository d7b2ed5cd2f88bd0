#include "platform/vcl/dialogs.h"

#include "platform/vcl/application.h"
#include "platform/vcl/dialog_backends.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QColorDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QEvent>
#include <unistd.h>

namespace {

bool g_terminalLineOpen = false;

std::unique_ptr<DialogBackend>& CurrentBackend() {
    static std::unique_ptr<DialogBackend> backend;
    return backend;
}

QString PlainLines(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

QWidget* OwnerWindow(WindowHandle owner) { return owner ? owner->window() : nullptr; }

QMessageBox::Icon IconOf(unsigned type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The crop dialog keeps the height the design gives it, unless its text needs more.
class CropMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    // The message box fixes its own size whenever it lays itself out; raise the
    // height after it.
    bool event(QEvent* e) override {
        const bool result = QMessageBox::event(e);
        if ((e->type() == QEvent::LayoutRequest || e->type() == QEvent::Show) && height() < 150)
            setFixedHeight(150);
        return result;
    }
};

}  // namespace

bool HasDisplay() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

DialogBackend& Dialogs() {
    auto& backend = CurrentBackend();
    if (!backend) {
        if (HasDisplay())
            backend = std::make_unique<QtDialogs>();
        else
            backend = std::make_unique<TerminalDialogs>();
    }
    return *backend;
}

std::unique_ptr<DialogBackend> SetDialogBackend(std::unique_ptr<DialogBackend> backend) {
    std::unique_ptr<DialogBackend> previous = std::move(CurrentBackend());
    CurrentBackend() = std::move(backend);
    return previous;
}

// ---- Qt ------------------------------------------------------------------------

int QtDialogs::MessageBox(WindowHandle owner, const QString& text,
                          const std::optional<QString>& caption, unsigned type) {
    QString title;
    if (caption)
        title = *caption;
    else
        title = (type & MB_ICONMASK) == MB_ICONERROR ? QStringLiteral("Error")
                                                      : Application()->Title();

    QMessageBox box(IconOf(type), title, PlainLines(text), QMessageBox::NoButton,
                    OwnerWindow(owner));
    box.setTextFormat(Qt::PlainText);
    if (!owner) box.setWindowModality(Qt::ApplicationModal);

    // The first button is the default one, as on the platform the program was
    // designed for; the escape button is the one that means "no" or "cancel".
    QPushButton* first = nullptr;
    QPushButton* escape = nullptr;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        first = box.addButton(QMessageBox::Ok);
        escape = box.addButton(QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        first = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        escape = box.addButton(QMessageBox::Cancel);
        break;
    case MB_YESNO:
        first = box.addButton(QMessageBox::Yes);
        escape = box.addButton(QMessageBox::No);
        break;
    default:
        first = escape = box.addButton(QMessageBox::Ok);
        break;
    }
    box.setDefaultButton(first);
    box.setEscapeButton(escape);
    box.exec();

    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    default: break;
    }
    switch (type & MB_TYPEMASK) {
    case MB_YESNO: return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

CheckedAnswer QtDialogs::CropDialog(WindowHandle owner, const QString& text,
                                    const QString& checkBoxCaption, const QString& caption) {
    CropMessageBox box(QMessageBox::Warning, caption, PlainLines(text), QMessageBox::NoButton,
                       OwnerWindow(owner));
    box.setTextFormat(Qt::PlainText);
    if (!owner) box.setWindowModality(Qt::ApplicationModal);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    auto* check = new QCheckBox(checkBoxCaption);
    check->setChecked(false);
    box.setCheckBox(check);  // the box owns it
    box.exec();

    CheckedAnswer result;
    result.answer = box.clickedButton() == ok ? IDOK : IDCANCEL;
    result.checked = check->isChecked();
    return result;
}

std::optional<QString> QtDialogs::BrowseForFolder(WindowHandle owner, const QString& initial) {
    QFileDialog dialog(OwnerWindow(owner), QString(), initial);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Choosing only: no button that makes a new folder, nothing renamed or deleted.
    dialog.setOption(QFileDialog::ReadOnly);
    if (!owner) dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

bool QtDialogs::ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) {
    return MessageBox(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::optional<int32_t> QtDialogs::ColorDialog(WindowHandle owner) {
    QColorDialog dialog(Qt::black, OwnerWindow(owner));
    if (!owner) dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QColor c = dialog.selectedColor();
    if (!c.isValid()) return std::nullopt;
    return static_cast<int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// ---- terminal ------------------------------------------------------------------

QString TerminalBoxText(const QString& text, const std::optional<QString>& caption) {
    QString s;
    if (caption && !caption->isEmpty()) s = *caption + QStringLiteral(": ");
    return s + PlainLines(text);
}

TerminalDialogs::TerminalDialogs(std::FILE* out, std::FILE* in, std::optional<bool> interactive)
    : out_(out), in_(in) {
    interactive_ = interactive ? *interactive : (in_ && ::isatty(::fileno(in_)) == 1);
}

void SetTerminalLineOpen(bool open) { g_terminalLineOpen = open; }

void TerminalDialogs::Write(const QString& s) {
    if (g_terminalLineOpen && out_ == stderr) {
        g_terminalLineOpen = false;
        std::fputc('\n', out_);
    }
    const QByteArray bytes = s.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out_);
    std::fflush(out_);
}

TerminalDialogs::Choice TerminalDialogs::Ask(const QString& head, const Choice* choices,
                                             int count, int fallback) {
    QString prompt = QStringLiteral(" [");
    for (int i = 0; i < count; ++i) {
        if (i) prompt += u'/';
        const QChar letter = QLatin1Char(choices[i].letter);
        prompt += i == fallback ? letter.toUpper() : letter;
    }
    prompt += QStringLiteral("] ");

    const Choice& none = choices[fallback];
    if (!interactive_) {
        const char* name = none.answer == IDNO ? "No" : "Cancel";
        Write(head + prompt + QStringLiteral("(no terminal to answer: %1)\n").arg(QLatin1String(name)));
        return none;
    }
    Write(head + prompt);
    for (;;) {
        char line[256];
        if (!std::fgets(line, sizeof line, in_)) {
            Write(QStringLiteral("\n"));
            return none;
        }
        const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
        if (answer.isEmpty()) return none;
        for (int i = 0; i < count; ++i)
            if (answer[0] == QLatin1Char(choices[i].letter)) return choices[i];
        Write(prompt.mid(1));
    }
}

int TerminalDialogs::MessageBox(WindowHandle, const QString& text,
                                const std::optional<QString>& caption, unsigned type) {
    const QString head = TerminalBoxText(text, caption);
    static const Choice yesNo[] = {{'y', IDYES, false}, {'n', IDNO, false}};
    static const Choice okCancel[] = {{'o', IDOK, false}, {'c', IDCANCEL, false}};
    static const Choice yesNoCancel[] = {
        {'y', IDYES, false}, {'n', IDNO, false}, {'c', IDCANCEL, false}};
    switch (type & MB_TYPEMASK) {
    case MB_YESNO: return Ask(head, yesNo, 2, 1).answer;
    case MB_OKCANCEL: return Ask(head, okCancel, 2, 1).answer;
    case MB_YESNOCANCEL: return Ask(head, yesNoCancel, 3, 2).answer;
    default:
        Write(head + QStringLiteral("\n"));
        return IDOK;
    }
}

std::optional<int32_t> TerminalDialogs::ColorDialog(WindowHandle) {
    const QString head = QStringLiteral("Colour as #RRGGBB (empty: Cancel)");
    if (!interactive_) {
        Write(head + QStringLiteral(": (no terminal to answer: Cancel)\n"));
        return std::nullopt;
    }
    Write(head + QStringLiteral(": "));
    for (;;) {
        char line[256];
        if (!std::fgets(line, sizeof line, in_)) {
            Write(QStringLiteral("\n"));
            return std::nullopt;
        }
        const QString answer = QString::fromLocal8Bit(line).trimmed();
        if (answer.isEmpty()) return std::nullopt;
        const QColor c = QColor::fromString(answer);
        if (answer.startsWith(u'#') && answer.size() == 7 && c.isValid())
            return static_cast<int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
        Write(QStringLiteral("#RRGGBB: "));
    }
}

CheckedAnswer TerminalDialogs::CropDialog(WindowHandle, const QString& text,
                                          const QString& checkBoxCaption, const QString& caption) {
    const QString head = TerminalBoxText(text, caption) +
                         QStringLiteral("\n(o: OK, a: OK and \"%1\", c: Cancel)").arg(checkBoxCaption);
    static const Choice choices[] = {{'o', IDOK, false}, {'a', IDOK, true}, {'c', IDCANCEL, false}};
    const Choice c = Ask(head, choices, 3, 2);
    return CheckedAnswer{c.answer, c.checked};
}

std::optional<QString> TerminalDialogs::BrowseForFolder(WindowHandle, const QString& initial) {
    const QString head = QStringLiteral("Folder [%1]: ").arg(initial);
    if (!interactive_) {
        Write(head + QStringLiteral("(no terminal to answer: Cancel)\n"));
        return std::nullopt;
    }
    Write(head);
    char line[4096];
    if (!std::fgets(line, sizeof line, in_)) {
        Write(QStringLiteral("\n"));
        return std::nullopt;
    }
    QString answer = QString::fromLocal8Bit(line);
    while (answer.endsWith(u'\n') || answer.endsWith(u'\r')) answer.chop(1);
    return answer.isEmpty() ? initial : answer;
}

bool TerminalDialogs::ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) {
    return MessageBox(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}
