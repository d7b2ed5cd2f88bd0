#include "platform/vcl/scripted_dialogs.h"

ScriptedAnswer ScriptedDialogs::Next(unsigned type) {
    if (!answers.empty()) {
        const ScriptedAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (type & MB_TYPEMASK) {
    case MB_YESNO: return {IDNO, false, {}};
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return {IDCANCEL, false, {}};
    default: return {IDOK, false, {}};
    }
}

int ScriptedDialogs::MessageBox(WindowHandle owner, const QString& text,
                                const std::optional<QString>& caption, unsigned type) {
    ScriptedBox box;
    box.kind = ScriptedBox::Message;
    box.owner = owner;
    box.text = text;
    box.caption = caption;
    box.type = type;
    if (OnBox) OnBox(box);
    box.answer = Next(type).answer;
    boxes.push_back(box);
    return box.answer;
}

CheckedAnswer ScriptedDialogs::CropDialog(WindowHandle owner, const QString& text,
                                          const QString& checkBoxCaption, const QString& caption) {
    ScriptedBox box;
    box.kind = ScriptedBox::Crop;
    box.owner = owner;
    box.text = text;
    box.caption = caption;
    box.type = MB_OKCANCEL | MB_ICONWARNING;
    box.checkBoxCaption = checkBoxCaption;
    if (OnBox) OnBox(box);
    const ScriptedAnswer a = Next(box.type);
    box.answer = a.answer;
    box.checked = a.checked;
    boxes.push_back(box);
    return CheckedAnswer{a.answer, a.checked};
}

std::optional<QString> ScriptedDialogs::BrowseForFolder(WindowHandle owner, const QString& initial) {
    ScriptedBox box;
    box.kind = ScriptedBox::Folder;
    box.owner = owner;
    box.text = initial;
    box.type = MB_OKCANCEL;
    if (OnBox) OnBox(box);
    const ScriptedAnswer a = Next(box.type);
    box.answer = a.answer;
    box.folder = a.answer == IDOK ? a.folder : QString();
    boxes.push_back(box);
    if (a.answer != IDOK) return std::nullopt;
    return a.folder;
}

bool ScriptedDialogs::ConfirmTrash(WindowHandle owner, const QString& text, const QString& caption) {
    ScriptedBox box;
    box.kind = ScriptedBox::Trash;
    box.owner = owner;
    box.text = text;
    box.caption = caption;
    box.type = MB_YESNO | MB_ICONQUESTION;
    if (OnBox) OnBox(box);
    box.answer = Next(box.type).answer;
    boxes.push_back(box);
    return box.answer == IDYES;
}

std::optional<int32_t> ScriptedDialogs::ColorDialog(WindowHandle owner) {
    ScriptedBox box;
    box.kind = ScriptedBox::Color;
    box.owner = owner;
    box.type = MB_OKCANCEL;
    if (OnBox) OnBox(box);
    std::optional<int32_t> chosen;
    if (!colors.empty()) {
        chosen = colors.front();
        colors.pop_front();
    }
    box.answer = chosen ? IDOK : IDCANCEL;
    box.color = chosen.value_or(0);
    boxes.push_back(box);
    return chosen;
}

ScopedDialogs::ScopedDialogs() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    previous_ = SetDialogBackend(std::move(dialogs));
}

ScopedDialogs::~ScopedDialogs() { SetDialogBackend(std::move(previous_)); }
