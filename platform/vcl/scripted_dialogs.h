#pragma once
// The dialog seam's fake for tests: records every box and answers from a script.
//
//   ScopedDialogs dialogs;                 // installed until the end of the scope
//   dialogs->Answer(IDYES);                // the next box answers Yes
//   dialogs->Answer(IDOK, /*checked=*/true);
//   dialogs->AnswerFolder("/photos");      // the folder browser chooses /photos
//   ... code under test ...
//   ASSERT_EQ(dialogs->boxes.size(), 2u);
//
// With the script used up, a box gets its "no" answer: IDNO on yes/no boxes (the
// trash confirmation too), IDCANCEL where there is a Cancel button (the crop dialog
// too, unchecked; the folder browser cancels), IDOK on MB_OK boxes.
// A colour dialog takes the next colour of `colors` (nullopt: Cancel), and answers
// Cancel when there is none.

#include "platform/vcl/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

struct ScriptedBox {
    enum Kind { Message, Crop, Folder, Trash, Color };
    Kind kind = Message;
    WindowHandle owner = nullptr;
    QString text;                    // the folder browser: the initial folder
    std::optional<QString> caption;  // nullopt: no caption given
    // The crop dialog records MB_OKCANCEL | MB_ICONWARNING, the folder browser
    // MB_OKCANCEL, the trash confirmation MB_YESNO | MB_ICONQUESTION.
    unsigned type = 0;
    QString checkBoxCaption;         // crop dialog only
    bool checked = false;            // the check box's state when the dialog closed
    int answer = 0;                  // what the box answered (IDOK / IDCANCEL for a colour)
    QString folder;                  // the folder the browser chose
    int32_t color = 0;               // colour dialog: the colour chosen on IDOK
};

struct ScriptedAnswer {
    int answer = IDCANCEL;
    bool checked = false;
    QString folder;  // the folder browser's choice when answer is IDOK
};

class ScriptedDialogs : public DialogBackend {
public:
    std::vector<ScriptedBox> boxes;
    std::deque<ScriptedAnswer> answers;
    std::deque<std::optional<int32_t>> colors;
    // Called for every box before it answers, with the record so far (e.g. to look
    // at a file while the question is open).
    std::function<void(const ScriptedBox&)> OnBox;

    void Answer(int answer, bool checked = false) { answers.push_back({answer, checked, {}}); }
    void AnswerFolder(const QString& folder) { answers.push_back({IDOK, false, folder}); }
    // The next colour dialog chooses `color` (0x00BBGGRR); AnswerColorCancel cancels it.
    void AnswerColor(int32_t color) { colors.emplace_back(color); }
    void AnswerColorCancel() { colors.emplace_back(std::nullopt); }

    int MessageBox(WindowHandle owner, const QString& text,
                   const std::optional<QString>& caption, unsigned type) override;
    CheckedAnswer CropDialog(WindowHandle owner, const QString& text,
                             const QString& checkBoxCaption, const QString& caption) override;
    std::optional<QString> BrowseForFolder(WindowHandle owner, const QString& initial) override;
    bool ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) override;
    std::optional<int32_t> ColorDialog(WindowHandle owner) override;

private:
    ScriptedAnswer Next(unsigned type);
};

// Installs a ScriptedDialogs for its lifetime and puts the previous backend back.
class ScopedDialogs {
public:
    ScopedDialogs();
    ~ScopedDialogs();
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

    ScriptedDialogs& operator*() const { return *dialogs_; }
    ScriptedDialogs* operator->() const { return dialogs_; }

private:
    ScriptedDialogs* dialogs_;
    std::unique_ptr<DialogBackend> previous_;
};
