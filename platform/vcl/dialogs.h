#pragma once
// The one seam through which the program asks and tells the user: message boxes,
// the crop dialog with its check box, the folder browser, the trash confirmation and
// the colour dialog. Three backends stand behind it:
//   - Qt dialogs when a display is available,
//   - the terminal when none is (text on stderr; a question is read from the
//     terminal when stdin is one, otherwise answered No / Cancel),
//   - ScriptedDialogs in tests, which records every box and answers as told.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

// A window that owns a box. The desktop window is no owner at all.
using WindowHandle = QWidget*;
inline WindowHandle GetDesktopWindow() { return nullptr; }

// Message box types and answers, with the values of the platform the program
// was designed on.
enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_TYPEMASK = 0x0F,
    MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// The answer of a dialog with a check box.
struct CheckedAnswer {
    int answer = IDCANCEL;  // IDOK or IDCANCEL
    bool checked = false;   // the state of the check box when the dialog closed
};

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // caption: nullopt means "no caption" (the system's default caption shows);
    // an empty string is an empty caption.
    virtual int MessageBox(WindowHandle owner, const QString& text,
                           const std::optional<QString>& caption, unsigned type) = 0;
    // A warning dialog with OK (the default) and Cancel and an unchecked check box.
    virtual CheckedAnswer CropDialog(WindowHandle owner, const QString& text,
                                     const QString& checkBoxCaption, const QString& caption) = 0;
    // The folder browser, showing `initial` (whatever text it is) as the folder
    // chosen so far: the folder the user chose, nullopt when cancelled.
    virtual std::optional<QString> BrowseForFolder(WindowHandle owner, const QString& initial) = 0;
    // Whether to move files to the trash (a yes/no question, Yes the default): true
    // for Yes.
    virtual bool ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) = 0;
    // The colour chooser: the chosen colour as 0x00BBGGRR, nullopt for Cancel.
    virtual std::optional<int32_t> ColorDialog(WindowHandle owner) = 0;
};

// The backend in force. Until one is installed the right one for the process is
// chosen on first use: Qt when a display is available, else the terminal.
DialogBackend& Dialogs();
// Installs a backend (nullptr: choose again on next use); returns the previous one.
std::unique_ptr<DialogBackend> SetDialogBackend(std::unique_ptr<DialogBackend> backend);
// Whether the process can show windows (a Qt GUI application with a real platform).
bool HasDisplay();

// The shorthand every caller uses.
inline int MessageBoxW(WindowHandle owner, const QString& text,
                       const std::optional<QString>& caption, unsigned type) {
    return Dialogs().MessageBox(owner, text, caption, type);
}
