// The one-key shortcuts: they fire the selection's actions, only while a photo is
// selected, and never while the path box has the focus (its keys are typed text).

#include "mainwindow_fixture.h"

#include "platform/vcl/actions.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/toolbar.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <map>

namespace {

class TPhoto : public TObject {};

struct KeyRow {
    int qtKey;
    const char* text;
    TAction* TFormOrlisk::*action;
};

const KeyRow kKeys[] = {
    {Qt::Key_L, "l", &TFormOrlisk::ActionRotateLeft},
    {Qt::Key_R, "r", &TFormOrlisk::ActionRotateRight},
    {Qt::Key_U, "u", &TFormOrlisk::ActionRotate180},
    {Qt::Key_H, "h", &TFormOrlisk::ActionFlipHor},
    {Qt::Key_V, "v", &TFormOrlisk::ActionFlipVer},
    {Qt::Key_E, "e", &TFormOrlisk::ActionDisplayExif},
    {Qt::Key_Return, "\r", &TFormOrlisk::ActionOpen},
};

class KeysTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->Show();
        Pump();
        // Count what each action is asked to do, instead of doing it.
        for (int i = 0; i < form->ActionList->ActionCount(); ++i) {
            TCustomAction* action = form->ActionList->Actions(i);
            action->OnExecute = [this](TComponent* Sender) { ++executed[Sender]; };
        }
    }
    // A fake thumbnail; the window frees it as it frees thumbnails.
    void AddPhoto() { Access::Images(*form)->AddObject(QStringLiteral("/photos/a.jpg"), new TPhoto); }

    static void Press(QWidget* target, int key, const char* text,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, mods, QString::fromLatin1(text));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, QString::fromLatin1(text));
        QApplication::sendEvent(target, &release);
    }

    std::map<TComponent*, int> executed;
};

}  // namespace

TEST_F(KeysTest, WithAPhotoSelectedEachKeyFiresItsAction) {
    AddPhoto();
    form->DrawGrid->SetFocus();
    Pump();
    ASSERT_TRUE(form->DrawGrid->Focused());
    for (const KeyRow& row : kKeys) {
        TAction* action = form->*row.action;
        SCOPED_TRACE(action->Name().toStdString());
        executed.clear();
        Press(QApplication::focusWidget(), row.qtKey, row.text);
        EXPECT_EQ(executed[action], 1);
        EXPECT_EQ(executed.size(), 1u);
        EXPECT_TRUE(action->Enabled());
    }
    executed.clear();
    Press(QApplication::focusWidget(), Qt::Key_Delete, "", Qt::ControlModifier);
    EXPECT_EQ(executed[form->ActionDelete], 1);
}

TEST_F(KeysTest, WithoutAPhotoTheActionsAreDisabledAndTheKeysDoNothing) {
    form->DrawGrid->SetFocus();
    Pump();
    for (const KeyRow& row : kKeys) Press(QApplication::focusWidget(), row.qtKey, row.text);
    Press(QApplication::focusWidget(), Qt::Key_Delete, "", Qt::ControlModifier);
    EXPECT_TRUE(executed.empty());
    form->ActionList->UpdateActions();
    for (int i = 0; i < form->ActionList->ActionCount(); ++i)
        EXPECT_FALSE(form->ActionList->Actions(i)->Enabled())
            << form->ActionList->Actions(i)->Name().toStdString();
    // Disabled actions show as disabled buttons and menu items.
    EXPECT_FALSE(form->tbRotateRight->Enabled());
    EXPECT_FALSE(form->pmiDelete->Enabled());
}

TEST_F(KeysTest, OnlyTheSelectionsTopLeftCellCounts) {
    AddPhoto();
    AddPhoto();
    form->ActionList->UpdateActions();
    EXPECT_TRUE(form->ActionRotateLeft->Enabled());
    // A selection that starts past the last photo disables the commands...
    form->DrawGrid->SetSelection({2, 0, 4, 1});
    form->ActionList->UpdateActions();
    EXPECT_FALSE(form->ActionRotateLeft->Enabled());
    // ...one that starts on a photo and runs past the last one enables them.
    form->DrawGrid->SetSelection({1, 0, 4, 2});
    form->ActionList->UpdateActions();
    EXPECT_TRUE(form->ActionRotateLeft->Enabled());
}

TEST_F(KeysTest, ThePathBoxTypesTheKeysAndRotatesNothing) {
    AddPhoto();
    form->edPath->SetFocus();
    Pump();
    ASSERT_TRUE(form->edPath->Focused());
    EXPECT_EQ(form->ActionList->State(), asSuspended);
    for (const KeyRow& row : kKeys) {
        if (row.qtKey == Qt::Key_Return) continue;
        Press(QApplication::focusWidget(), row.qtKey, row.text);
    }
    Press(QApplication::focusWidget(), Qt::Key_Return, "\r");
    EXPECT_EQ(form->edPath->Text(), "lruhve");
    // Ctrl+Del edits the text.
    form->edPath->LineEdit()->setCursorPosition(0);
    Press(QApplication::focusWidget(), Qt::Key_Delete, "", Qt::ControlModifier);
    EXPECT_TRUE(executed.empty());
    EXPECT_NE(form->edPath->Text(), "lruhve");

    // Leaving the box gives the keys back to the actions.
    form->DrawGrid->SetFocus();
    Pump();
    EXPECT_EQ(form->ActionList->State(), asNormal);
    Press(QApplication::focusWidget(), Qt::Key_R, "r");
    EXPECT_EQ(executed[form->ActionRotateRight], 1);
}

TEST_F(KeysTest, TheFirstFocusOfTheWindowLeavesTheKeysToTheActions) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) GTEST_SKIP() << "no keyboard focus on this platform";
    // The first control in the tab order takes the focus and is entered: the
    // recent-folder button, not the path box.
    EXPECT_EQ(focus, form->btnRecent->Widget()) << focus->metaObject()->className() << " " << (TControl::FromWidget(focus, true) ? TControl::FromWidget(focus, true)->Name().toStdString() : "");
    EXPECT_EQ(form->ActionList->State(), asNormal);
    AddPhoto();
    Press(focus, Qt::Key_R, "r");
    EXPECT_EQ(executed[form->ActionRotateRight], 1);
}
