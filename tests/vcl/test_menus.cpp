// Menu items and popup menus: checks, radio groups, the default item, clicks, the
// Qt menu built from the items.
#include "platform/vcl/actions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls.h"
#include "tests/vcl/widgets_util.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <gtest/gtest.h>

using namespace widgets_test;

namespace {
TMenuItem* AddItem(TPopupMenu* menu, const QString& caption, TComponent* owner = nullptr) {
    auto* item = new TMenuItem(owner ? owner : menu);
    item->SetCaption(caption);
    menu->Items()->Add(item);
    return item;
}
}  // namespace

TEST(Menus, ItemsKeepTheirOrderAndTheirParent) {
    TPopupMenu menu(nullptr);
    TMenuItem* a = AddItem(&menu, "a");
    TMenuItem* c = AddItem(&menu, "c");
    auto* b = new TMenuItem(&menu);
    b->SetCaption("b");
    menu.Items()->Insert(1, b);
    ASSERT_EQ(menu.Items()->Count(), 3);
    EXPECT_EQ(menu.Items()->Items(1), b);
    EXPECT_EQ(b->MenuIndex(), 1);
    EXPECT_EQ(b->Parent(), menu.Items());
    EXPECT_EQ(c->GetParentMenu(), &menu);
    EXPECT_THROW(menu.Items()->Add(a), EInvalidOperation);  // inserted twice

    menu.Items()->Delete(0);  // taken out, not freed
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(menu.Items()->Items(0), b);
    menu.Items()->Add(a);
    delete b;  // a freed item leaves its parent
    EXPECT_EQ(menu.Items()->Count(), 2);
    EXPECT_EQ(menu.Items()->Items(0), c);

    QPointer<TMenuItem> gone = c;
    menu.Items()->Clear();
    EXPECT_EQ(menu.Items()->Count(), 0);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(menu.ComponentCount(), 0);  // freed items left their owner
}

TEST(Menus, AutoCheckTogglesBeforeOnClick) {
    TPopupMenu menu(nullptr);
    TMenuItem* keep = AddItem(&menu, "Keep File Timestamp");
    keep->SetAutoCheck(true);
    QList<bool> seen;
    keep->OnClick = [&](TComponent* s) { seen << static_cast<TMenuItem*>(s)->Checked(); };
    keep->Click();
    keep->Click();
    EXPECT_EQ(seen, (QList<bool>{true, false}));

    // A plain item does not check itself; a disabled one does nothing.
    TMenuItem* plain = AddItem(&menu, "Refresh");
    int clicks = 0;
    plain->OnClick = [&](TComponent*) { ++clicks; };
    plain->Click();
    EXPECT_FALSE(plain->Checked());
    keep->SetEnabled(false);
    keep->Click();
    plain->SetEnabled(false);
    plain->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seen.size(), 2);
    EXPECT_FALSE(keep->Checked());
}

TEST(Menus, RadioItemsOfAGroupUncheckEachOther) {
    TPopupMenu menu(nullptr);
    TMenuItem* hi = AddItem(&menu, "High Thumbnail Quality (slower)");
    TMenuItem* lo = AddItem(&menu, "Low Thumbnail Quality (faster)");
    TMenuItem* line = AddItem(&menu, "-");
    TMenuItem* en = AddItem(&menu, "English");
    TMenuItem* de = AddItem(&menu, "Deutsch");
    for (TMenuItem* i : {hi, lo}) {
        i->SetAutoCheck(true);
        i->SetRadioItem(true);
        i->SetGroupIndex(1);
    }
    line->SetGroupIndex(1);
    for (TMenuItem* i : {en, de}) {
        i->SetRadioItem(true);
        i->SetGroupIndex(2);
    }
    EXPECT_TRUE(line->IsLine());
    hi->SetChecked(true);
    en->SetChecked(true);
    lo->Click();
    EXPECT_TRUE(lo->Checked());
    EXPECT_FALSE(hi->Checked());
    EXPECT_TRUE(en->Checked()) << "another group keeps its check";
    // Clicking the checked auto-check radio item clears it: neither is checked.
    lo->Click();
    EXPECT_FALSE(lo->Checked());
    EXPECT_FALSE(hi->Checked());
    // Language items do not toggle themselves; checking one from code clears the other.
    en->Click();
    EXPECT_TRUE(en->Checked());
    de->SetChecked(true);
    EXPECT_FALSE(en->Checked());
    // A radio item of the same group under another parent is not touched.
    TPopupMenu other(nullptr);
    TMenuItem* far = AddItem(&other, "far");
    far->SetRadioItem(true);
    far->SetGroupIndex(2);
    far->SetChecked(true);
    EXPECT_TRUE(de->Checked());
}

TEST(Menus, TheQtMenuShowsTheItemsWithTheDefaultInBold) {
    TPopupMenu menu(nullptr);
    TMenuItem* add = AddItem(&menu, "Add Current Folder");
    add->SetDefault(true);
    TMenuItem* sep = AddItem(&menu, "-");
    TMenuItem* folder = AddItem(&menu, "Photos");
    TMenuItem* hidden = AddItem(&menu, "hidden");
    hidden->SetVisible(false);
    TMenuItem* radio = AddItem(&menu, "English");
    radio->SetRadioItem(true);
    radio->SetGroupIndex(2);
    menu.SetAutoHotkeys(maManual);
    menu.SetAutoLineReduction(maManual);
    EXPECT_EQ(menu.AutoHotkeys(), maManual);

    menu.Rebuild();
    QMenu* q = menu.Menu();
    const QList<QAction*> entries = q->actions();
    ASSERT_EQ(entries.size(), 4);  // the hidden item is left out
    EXPECT_EQ(entries[0], menu.QtAction(add));
    EXPECT_EQ(entries[0]->text(), "Add Current Folder");
    EXPECT_TRUE(entries[0]->font().bold());
    EXPECT_EQ(q->defaultAction(), entries[0]);
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(menu.QtAction(sep), entries[1]);
    EXPECT_FALSE(entries[2]->font().bold());
    EXPECT_FALSE(entries[2]->isCheckable());
    EXPECT_EQ(menu.QtAction(hidden), nullptr);
    EXPECT_TRUE(entries[3]->isCheckable());
    ASSERT_NE(entries[3]->actionGroup(), nullptr);

    // A second default takes the mark from the first.
    folder->SetDefault(true);
    EXPECT_FALSE(add->Default());
    EXPECT_FALSE(entries[0]->font().bold());
    EXPECT_TRUE(entries[2]->font().bold());
}

TEST(Menus, TriggeringAnEntryClicksTheItemAndItsAction) {
    TPopupMenu menu(nullptr);
    TAction action(nullptr);
    QStringList calls;
    action.OnUpdate = [&](TComponent*) { calls << "update"; };
    action.OnExecute = [&](TComponent*) { calls << "execute"; };
    action.SetCaption("Rotate Left");
    TMenuItem* linked = AddItem(&menu, "");
    linked->SetAction(&action);
    TMenuItem* check = AddItem(&menu, "Enlarge Small Images");
    check->SetAutoCheck(true);

    menu.Rebuild();
    menu.QtAction(linked)->trigger();
    EXPECT_EQ(calls, (QStringList{"update", "execute"}));
    menu.QtAction(check)->trigger();
    EXPECT_TRUE(check->Checked());
    EXPECT_TRUE(menu.QtAction(check)->isChecked());
    menu.QtAction(check)->trigger();
    EXPECT_FALSE(check->Checked());
    EXPECT_FALSE(menu.QtAction(check)->isChecked());

    // A plain radio item that its handler does not check stays unchecked on screen.
    TMenuItem* lang = AddItem(&menu, "English");
    lang->SetRadioItem(true);
    int clicks = 0;
    lang->OnClick = [&](TComponent*) { ++clicks; };
    menu.Rebuild();
    menu.QtAction(lang)->trigger();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menu.QtAction(lang)->isChecked());
}

TEST(Menus, AHandlerMayRebuildTheMenuThatCalledIt) {
    ScopedDialogs dialogs;
    TPopupMenu menu(nullptr);
    TMenuItem* add = AddItem(&menu, "Add Current Folder");
    int rebuilds = 0;
    add->OnClick = [&](TComponent*) {
        // What the favourites menu does: free every item and make them again.
        menu.Items()->Clear();
        AddItem(&menu, "Add Current Folder");
        AddItem(&menu, "Photos");
        ++rebuilds;
    };
    menu.Rebuild();
    menu.QtAction(add)->trigger();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(menu.Items()->Count(), 2);
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST(Menus, PopupRunsOnPopupAndUpdatesTheLinkedActionsFirst) {
    ScopedDialogs dialogs;
    TPopupMenu menu(nullptr);
    TAction action(nullptr);
    action.SetCaption("Display EXIF");
    action.OnUpdate = [](TComponent* s) { static_cast<TAction*>(s)->SetEnabled(false); };
    TMenuItem* exif = AddItem(&menu, "");
    exif->SetAction(&action);
    TMenuItem* crop = AddItem(&menu, "Display crop warning");
    crop->SetAutoCheck(true);
    QStringList calls;
    menu.OnPopup = [&](TComponent* s) {
        calls << (s == &menu ? "popup" : "?");
        crop->SetChecked(true);  // the options menu reads its check from the registry
    };
    menu.Popup(100, 100);
    EXPECT_TRUE(menu.Menu()->isVisible());
    EXPECT_EQ(calls, QStringList{"popup"});
    EXPECT_FALSE(menu.QtAction(exif)->isEnabled());
    EXPECT_TRUE(menu.QtAction(crop)->isChecked());
    menu.Menu()->close();

    // An exception in OnPopup goes to the error box; the menu still shows.
    menu.OnPopup = [](TComponent*) { throw Exception("registry failed"); };
    menu.Popup(100, 100);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "registry failed");
    menu.Menu()->close();
}

TEST(Menus, PublishedPropertiesAreFoundByName) {
    TMenuItem item(nullptr);
    ASSERT_TRUE(FindProperty(&item, "caption").isValid());
    FindProperty(&item, "caption").write(&item, "&Background Color...");
    FindProperty(&item, "TAG").write(&item, 4);
    EXPECT_EQ(item.Caption(), "&Background Color...");
    EXPECT_EQ(item.Tag(), 4);
    EXPECT_TRUE(FindProperty(&item, "Default").isValid());
    EXPECT_TRUE(FindProperty(&item, "AutoCheck").isValid());
    EXPECT_FALSE(FindProperty(&item, "Text").isValid());
}

TEST(Menus, AControlShowsItsContextMenuOrItsParents) {
    TForm form(nullptr);
    auto* panel = Make<TPanel>(&form, &form, 0, 0, 200, 100);
    auto* button = Make<TButton>(panel, &form, 10, 10, 75, 25);
    auto* panelMenu = new TPopupMenu(&form);
    AddItem(panelMenu, "Refresh");
    auto* buttonMenu = new TPopupMenu(&form);
    AddItem(buttonMenu, "Browse...");
    panel->SetPopupMenu(panelMenu);
    EXPECT_EQ(panel->PopupMenu(), panelMenu);
    form.Show();

    auto request = [](TControl* c) {
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5),
                            c->Widget()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(c->Widget(), &e);
    };
    // A button without a menu of its own passes the request to its parent.
    request(button);
    EXPECT_TRUE(panelMenu->Menu()->isVisible());
    EXPECT_EQ(panelMenu->PopupComponent(), panel);
    panelMenu->Menu()->close();

    button->SetPopupMenu(buttonMenu);
    request(button);
    EXPECT_TRUE(buttonMenu->Menu()->isVisible());
    EXPECT_FALSE(panelMenu->Menu()->isVisible());
    EXPECT_EQ(buttonMenu->PopupComponent(), button);
    buttonMenu->Menu()->close();

    // A menu that is freed leaves no dangling link.
    delete buttonMenu;
    EXPECT_EQ(button->PopupMenu(), nullptr);
    request(button);
    EXPECT_TRUE(panelMenu->Menu()->isVisible());
    panelMenu->Menu()->close();
}
