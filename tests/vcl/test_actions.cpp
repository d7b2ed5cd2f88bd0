// Actions and action lists: linked clients, idle updates, execution rules, shortcuts.
#include "platform/vcl/actions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"
#include "tests/vcl/widgets_util.h"

#include <QLineEdit>
#include <QToolButton>
#include <QMessageBox>
#include <gtest/gtest.h>

using namespace widgets_test;

TEST(ShortCuts, EncodingOfTheDesignedPlatform) {
    EXPECT_EQ(ShortCut(VK_DELETE, ssCtrl), 16430);
    EXPECT_EQ(ShortCut('R', 0), 0x52);
    EXPECT_EQ(ShortCut(VK_RETURN, ssLeft), 0x0D);  // mouse buttons are no modifiers
    EXPECT_EQ(ShortCut(VK_F5, ssShift | ssAlt), scShift | scAlt | VK_F5);
    uint16_t key = 0;
    TShiftState shift = 0;
    ShortCutToKey(16430, key, shift);
    EXPECT_EQ(key, VK_DELETE);
    EXPECT_EQ(shift, ssCtrl);
    EXPECT_EQ(ShortCutToText(16430), "Ctrl+Del");
    EXPECT_EQ(ShortCutToText(0x52), "R");
    EXPECT_EQ(ShortCutToText(VK_RETURN), "Enter");
    EXPECT_EQ(ShortCutToText(scShift | VK_F5), "Shift+F5");
    EXPECT_EQ(ShortCutToText(scNone), "");
}

TEST(Actions, PublishedPropertiesAreFoundByNameIgnoringCase) {
    TAction action(nullptr);
    ASSERT_TRUE(FindProperty(&action, "caption").isValid());
    FindProperty(&action, "caption").write(&action, "View Image");
    FindProperty(&action, "HINT").write(&action, "Hotkey");
    FindProperty(&action, "shortcut").write(&action, 16430);
    FindProperty(&action, "tag").write(&action, 3);
    EXPECT_EQ(action.Caption(), "View Image");
    EXPECT_EQ(action.Hint(), "Hotkey");
    EXPECT_EQ(action.ShortCut(), 16430);
    EXPECT_EQ(action.Tag(), 3);
    EXPECT_EQ(FindProperty(&action, "Caption").typeId(), QMetaType::QString);
    EXPECT_EQ(FindProperty(&action, "ImageIndex").typeId(), QMetaType::Int);
}

TEST(Actions, LinkedClientsShowTheActionAndFollowItsChanges) {
    TForm form(nullptr);
    auto* images = new TImageList(&form);
    images->SetWidth(24);
    images->SetHeight(24);
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images->Add(red);
    auto* list = new TActionList(&form);
    auto* action = new TAction(&form);
    action->SetActionList(list);
    action->SetCaption("Rotate Left");
    action->SetHint("Hotkey");
    action->SetImageIndex(0);
    action->SetShortCut('L');

    auto* bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetImages(images);
    bar->SetShowCaptions(true);
    auto* button = new TToolButton(&form);
    button->SetParent(bar);
    button->SetAction(action);
    auto* menu = new TPopupMenu(&form);
    auto* item = new TMenuItem(&form);
    menu->Items()->Add(item);
    item->SetAction(action);

    EXPECT_EQ(button->Caption(), "Rotate Left");
    EXPECT_EQ(button->Button()->text(), "Rotate Left");
    EXPECT_EQ(button->Widget()->toolTip(), "Hotkey");
    EXPECT_EQ(button->ImageIndex(), 0);
    EXPECT_FALSE(button->Button()->icon().isNull());
    EXPECT_EQ(item->Caption(), "Rotate Left");
    EXPECT_EQ(item->ShortCut(), 'L');

    // A translation reaches the clients through the action.
    ASSERT_TRUE(action->setProperty("Caption", "Links drehen"));
    action->SetEnabled(false);
    action->SetChecked(true);
    EXPECT_EQ(button->Button()->text(), "Links drehen");
    EXPECT_EQ(item->Caption(), "Links drehen");
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(button->Button()->isEnabled());
    EXPECT_FALSE(item->Enabled());
    EXPECT_TRUE(item->Checked());

    menu->Rebuild();
    QAction* entry = menu->QtAction(item);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "Links drehen\tL");
    EXPECT_FALSE(entry->isEnabled());
    action->SetEnabled(true);
    EXPECT_TRUE(entry->isEnabled());  // an entry already built follows too

    // Clients outlive the action and keep what they showed.
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(item->Caption(), "Links drehen");
}

TEST(Actions, ExecuteRunsOnUpdateFirstAndOnlyAnEnabledActionExecutes) {
    TAction action(nullptr);
    QStringList calls;
    bool enable = false;
    action.OnUpdate = [&](TComponent* sender) {
        calls << "update";
        static_cast<TAction*>(sender)->SetEnabled(enable);
    };
    action.OnExecute = [&](TComponent*) { calls << "execute"; };
    EXPECT_FALSE(action.Execute());
    EXPECT_EQ(calls, QStringList{"update"});
    calls.clear();
    enable = true;
    EXPECT_TRUE(action.Execute());
    EXPECT_EQ(calls, (QStringList{"update", "execute"}));

    // A suspended list neither updates nor executes.
    TActionList list(nullptr);
    action.SetActionList(&list);
    list.SetState(asSuspended);
    calls.clear();
    EXPECT_FALSE(action.Execute());
    EXPECT_FALSE(action.Update());
    EXPECT_TRUE(calls.isEmpty());
    list.SetState(asNormal);
    EXPECT_TRUE(action.Execute());
}

TEST(Actions, ExceptionsOfHandlersGoToTheErrorBox) {
    ScopedDialogs dialogs;
    TAction action(nullptr);
    action.OnExecute = [](TComponent*) { throw Exception("Unable to rotate the image: a.jpg"); };
    EXPECT_TRUE(action.Execute());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Unable to rotate the image: a.jpg");
    EXPECT_EQ(dialogs->boxes[0].type, MB_OK | MB_ICONERROR);
}

TEST(Actions, OnUpdateRunsWhenTheApplicationGoesIdleForAShownForm) {
    TForm form(nullptr);
    auto* list = new TActionList(&form);
    auto* a = new TAction(&form);
    auto* b = new TAction(&form);
    a->SetActionList(list);
    b->SetActionList(list);
    QStringList calls;
    a->OnUpdate = [&](TComponent*) { calls << "a"; };
    b->OnUpdate = [&](TComponent*) { calls << "b"; };

    Application()->DoIdle();
    EXPECT_TRUE(calls.isEmpty()) << "a hidden form's actions are not updated";

    form.Show();
    Application()->DoIdle();
    EXPECT_EQ(calls, (QStringList{"a", "b"}));

    calls.clear();
    list->SetState(asSuspended);
    Application()->DoIdle();
    EXPECT_TRUE(calls.isEmpty());

    // The event loop's own idle moment does the same.
    list->SetState(asNormal);
    RunEventLoopOnce();
    EXPECT_GE(calls.size(), 2);
}

TEST(Actions, SuspendedEnabledEnablesEveryAction) {
    TActionList list(nullptr);
    TAction a(nullptr);
    a.SetActionList(&list);
    a.SetEnabled(false);
    list.SetState(asSuspendedEnabled);
    EXPECT_TRUE(a.Enabled());
    EXPECT_EQ(a.Index(), 0);
    a.SetActionList(nullptr);
    EXPECT_EQ(list.ActionCount(), 0);
}

namespace {
// A form with a grid and a path edit, as the main window has them.
struct ShortCutForm {
    TForm form{nullptr};
    TActionList* list = new TActionList(&form);
    TAction* rotate = new TAction(&form);
    TAction* remove = new TAction(&form);
    TAction* open = new TAction(&form);
    TEdit* edit = nullptr;
    TDrawGrid* grid = nullptr;
    QStringList calls;
    bool enabled = true;

    ShortCutForm() {
        form.SetClientWidth(400);
        form.SetClientHeight(300);
        edit = Make<TEdit>(&form, &form, 0, 0, 200, 21);
        grid = Make<TDrawGrid>(&form, &form, 0, 30, 300, 200);
        for (TAction* a : {rotate, remove, open}) {
            a->SetActionList(list);
            a->OnUpdate = [this](TComponent* s) { static_cast<TAction*>(s)->SetEnabled(enabled); };
        }
        rotate->SetShortCut('R');
        remove->SetShortCut(16430);
        open->SetShortCut(VK_RETURN);
        rotate->OnExecute = [this](TComponent*) { calls << "rotate"; };
        remove->OnExecute = [this](TComponent*) { calls << "delete"; };
        open->OnExecute = [this](TComponent*) { calls << "open"; };
        edit->OnEnter = [this](TComponent*) { list->SetState(asSuspended); };
        edit->OnExit = [this](TComponent*) { list->SetState(asNormal); };
        grid->OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) {
            calls << QString("grid key %1").arg(key);
        };
        form.Show();
    }
    bool Focus(TWinControl* c) {
        c->SetFocus();
        Application()->ProcessMessages();
        return QApplication::focusWidget() == c->Widget();
    }
};
}  // namespace

TEST(Actions, ShortCutsFireForTheFormBeforeTheFocusedControl) {
    ShortCutForm f;
    if (!f.Focus(f.grid)) GTEST_SKIP() << "no keyboard focus on this platform";
    SendKey(f.grid->Widget(), Qt::Key_R, Qt::NoModifier, "r");
    SendKey(f.grid->Widget(), Qt::Key_Delete, Qt::ControlModifier);
    SendKey(f.grid->Widget(), Qt::Key_Return);
    SendKey(f.grid->Widget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f.calls, (QStringList{"rotate", "delete", "open", "open"}));

    // Delete without Ctrl is no shortcut: the grid sees it.
    f.calls.clear();
    SendKey(f.grid->Widget(), Qt::Key_Delete);
    EXPECT_EQ(f.calls, QStringList{"grid key 46"});

    // A disabled action leaves its key to the focused control.
    f.calls.clear();
    f.enabled = false;
    SendKey(f.grid->Widget(), Qt::Key_R, Qt::NoModifier, "r");
    EXPECT_EQ(f.calls, QStringList{"grid key 82"});

    // The form's KeyPreview comes after its shortcuts and before the control.
    f.enabled = true;
    f.calls.clear();
    f.form.SetKeyPreview(true);
    f.form.OnKeyDown = [&f](TComponent*, uint16_t& key, TShiftState) {
        f.calls << QString("form key %1").arg(key);
    };
    SendKey(f.grid->Widget(), Qt::Key_R, Qt::NoModifier, "r");
    SendKey(f.grid->Widget(), Qt::Key_Delete);
    EXPECT_EQ(f.calls, (QStringList{"rotate", "form key 46", "grid key 46"}));
}

TEST(Actions, KeysTypeIntoTheEditWhileItsFocusSuspendsTheList) {
    ShortCutForm f;
    if (!f.Focus(f.grid) || !f.Focus(f.edit)) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_EQ(f.list->State(), asSuspended);
    QWidget* line = f.edit->Widget();
    SendKey(line, Qt::Key_R, Qt::NoModifier, "r");
    SendKey(line, Qt::Key_R, Qt::ShiftModifier, "R");
    SendKey(line, Qt::Key_Left);
    SendKey(line, Qt::Key_Delete, Qt::ControlModifier);
    SendKey(line, Qt::Key_Return);
    EXPECT_TRUE(f.calls.isEmpty()) << f.calls.join(", ").toStdString();
    EXPECT_EQ(f.edit->Text(), "r");  // Ctrl+Del deleted the word after the cursor

    // Leaving the edit brings the shortcuts back.
    ASSERT_TRUE(f.Focus(f.grid));
    EXPECT_EQ(f.list->State(), asNormal);
    SendKey(f.grid->Widget(), Qt::Key_R, Qt::NoModifier, "r");
    EXPECT_EQ(f.calls, QStringList{"rotate"});
    EXPECT_EQ(f.edit->Text(), "r");
}

TEST(Actions, ShortCutsBelongToTheirOwnForm) {
    ShortCutForm f;
    TForm other(nullptr);
    auto* grid = Make<TDrawGrid>(&other, &other, 0, 0, 100, 100);
    other.Show();
    grid->SetFocus();
    Application()->ProcessMessages();
    if (QApplication::focusWidget() != grid->Widget()) GTEST_SKIP() << "no keyboard focus";
    SendKey(grid->Widget(), Qt::Key_R, Qt::NoModifier, "r");
    EXPECT_TRUE(f.calls.isEmpty());
}

// A message box or dialog that the form owns is a window of its own: its keys are
// its own (Enter presses its default button), never the form's shortcuts.
TEST(Actions, ABoxOwnedByTheFormKeepsItsKeys) {
    ShortCutForm f;
    if (!f.Focus(f.grid)) GTEST_SKIP() << "no keyboard focus on this platform";
    QMessageBox box(QMessageBox::Question, "Orlisk", "Move it to the trash?",
                    QMessageBox::Yes | QMessageBox::No, f.form.Widget());
    box.setDefaultButton(QMessageBox::Yes);
    box.show();
    Application()->ProcessMessages();
    QWidget* target = QApplication::focusWidget() && QApplication::focusWidget()->window() == &box
                          ? QApplication::focusWidget()
                          : static_cast<QWidget*>(&box);
    ASSERT_EQ(f.list->State(), asNormal);
    SendKey(target, Qt::Key_R, Qt::NoModifier, "r");
    SendKey(target, Qt::Key_Return);
    EXPECT_TRUE(f.calls.isEmpty()) << f.calls.join(", ").toStdString();
    EXPECT_EQ(box.clickedButton(), box.button(QMessageBox::Yes));
}
