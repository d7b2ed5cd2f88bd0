#pragma once
// The two real backends of the dialog seam. Dialogs() picks one of them by itself;
// they are declared here so that tests and the entry point can also make them
// explicitly.

#include "platform/vcl/dialogs.h"

#include <cstdio>
#include <optional>

// Qt message boxes. Caption: nullopt shows "Error" on an error box and the
// application title on every other box; an empty string is an empty title.
// The owner's window is the parent (nullptr: no parent, modal to the application).
// Closing a box or pressing Esc answers No on yes/no boxes, Cancel where there is a
// Cancel button.
class QtDialogs : public DialogBackend {
public:
    int MessageBox(WindowHandle owner, const QString& text,
                   const std::optional<QString>& caption, unsigned type) override;
    // Warning icon, OK (default) and Cancel, the check box under the text; Esc and
    // closing the dialog answer Cancel. The dialog is at least 150 pixels high.
    CheckedAnswer CropDialog(WindowHandle owner, const QString& text,
                             const QString& checkBoxCaption, const QString& caption) override;
    // A folder dialog (Qt's own or the desktop's) that opens on `initial` when it is
    // a folder, read-only: no button that makes a new folder.
    std::optional<QString> BrowseForFolder(WindowHandle owner, const QString& initial) override;
    // Question icon, Yes (default) and No; Esc and closing answer No.
    bool ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) override;
    // Qt's colour dialog, starting from black, without an alpha channel.
    std::optional<int32_t> ColorDialog(WindowHandle owner) override;
};

// The terminal: a box is written to `out` as "caption: text" (the caption and ": "
// only when a non-empty caption is given; CR LF inside the text become newlines).
// Questions end in a prompt and read one line from `in`:
//   yes/no " [y/N] ", OK/Cancel " [o/C] ", yes/no/cancel " [y/n/C] ";
//   the crop dialog " [o/a/C] ", where "a" means OK with the check box ticked
//   ("Don't ask again").
// The capital letter is the answer to an empty line or end of input; other input
// asks again. Without a terminal to answer (interactive false: by default when `in`
// is not a tty) the box is only written, followed by "(no terminal to answer: No)"
// or "... Cancel)", and the question is answered No / Cancel.
// MB_OK boxes are only written. The folder browser asks "Folder [initial]: " and
// takes a line: empty means the initial text, end of input cancels; without a
// terminal it cancels. The trash confirmation is a yes/no question. The colour
// dialog asks for "#RRGGBB" (an empty line or end of input: Cancel); without a
// terminal it is answered Cancel.
class TerminalDialogs : public DialogBackend {
public:
    explicit TerminalDialogs(std::FILE* out = stderr, std::FILE* in = stdin,
                             std::optional<bool> interactive = std::nullopt);

    int MessageBox(WindowHandle owner, const QString& text,
                   const std::optional<QString>& caption, unsigned type) override;
    CheckedAnswer CropDialog(WindowHandle owner, const QString& text,
                             const QString& checkBoxCaption, const QString& caption) override;
    std::optional<QString> BrowseForFolder(WindowHandle owner, const QString& initial) override;
    bool ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) override;
    std::optional<int32_t> ColorDialog(WindowHandle owner) override;

private:
    struct Choice {
        char letter;
        int answer;
        bool checked;
    };
    // Writes the head of the box and reads the answer; `choices[fallback]` answers
    // when nobody can or does.
    Choice Ask(const QString& head, const Choice* choices, int count, int fallback);
    void Write(const QString& s);

    std::FILE* out_;
    std::FILE* in_;
    bool interactive_;
};

// The head line of a terminal box: "caption: text" with CR LF as newlines.
QString TerminalBoxText(const QString& text, const std::optional<QString>& caption);

// A progress line drawn in place on stderr leaves the line open; a box written to
// stderr meanwhile starts on a new line.
void SetTerminalLineOpen(bool open);
