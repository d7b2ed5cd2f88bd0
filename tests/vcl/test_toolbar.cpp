// The toolbar: button layout, images, captions, hints, drop-down and split buttons,
// and a screenshot.
#include "platform/vcl/actions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"
#include "tests/vcl/widgets_util.h"

#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace widgets_test;

namespace {

QImage Glyph(QColor colour, int shape) {
    QImage img(24, 24, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(150), 2));
    p.setBrush(colour);
    if (shape == 0) p.drawEllipse(3, 3, 18, 18);
    if (shape == 1) p.drawRect(4, 4, 16, 16);
    if (shape == 2) p.drawPolygon(QPolygon({QPoint(12, 2), QPoint(22, 21), QPoint(2, 21)}));
    return img;
}

// The main window's toolbar in small: images, a drop-down button, plain buttons with
// actions and a split button.
struct ToolBarForm {
    TForm form{nullptr};
    TImageList* images = new TImageList(&form);
    TImageList* greyed = new TImageList(&form);
    TActionList* list = new TActionList(&form);
    TAction* rotateLeft = new TAction(&form);
    TAction* rotate180 = new TAction(&form);
    TPopupMenu* favourites = new TPopupMenu(&form);
    TPopupMenu* flip = new TPopupMenu(&form);
    TToolBar* bar = new TToolBar(&form);
    TToolButton* tbFavorites = nullptr;
    TToolButton* tbRotateLeft = nullptr;
    TToolButton* tbRotate180 = nullptr;
    TToolButton* tbOptions = nullptr;
    QStringList calls;

    ToolBarForm() {
        form.SetClientWidth(500);
        form.SetClientHeight(120);
        for (TImageList* l : {images, greyed}) {
            l->SetWidth(24);
            l->SetHeight(24);
        }
        const QColor colours[] = {QColor(30, 120, 220), QColor(40, 170, 60), QColor(220, 60, 40),
                                  QColor(230, 170, 20)};
        for (int i = 0; i < 4; ++i) {
            images->Add(Glyph(colours[i], i % 3));
            greyed->Add(Glyph(QColor(160, 160, 160), i % 3));
        }
        for (TAction* a : {rotateLeft, rotate180}) a->SetActionList(list);
        rotateLeft->SetCaption("Rotate Left");
        rotateLeft->SetHint("Hotkey");
        rotateLeft->SetImageIndex(1);
        rotateLeft->OnExecute = [this](TComponent*) { calls << "rotate left"; };
        rotate180->SetCaption("Rotate 180");
        rotate180->SetImageIndex(2);
        rotate180->OnExecute = [this](TComponent*) { calls << "rotate 180"; };
        auto* hor = new TMenuItem(&form);
        hor->SetCaption("Flip Horizontal");
        flip->Items()->Add(hor);
        auto* add = new TMenuItem(&form);
        add->SetCaption("Add Current Folder");
        add->SetDefault(true);
        favourites->Items()->Add(add);
        favourites->OnPopup = [this](TComponent*) { calls << "favourites popup"; };

        bar->SetName("ToolBar");
        bar->SetParent(&form);
        bar->SetHeight(52);
        bar->SetButtonWidth(68);
        bar->SetButtonHeight(44);
        bar->SetShowCaptions(true);
        bar->SetImages(images);
        bar->SetDisabledImages(greyed);
        bar->SetEdgeBorders(ebTop | ebBottom);

        tbFavorites = Button("Favorites", 0);
        tbFavorites->SetDropdownMenu(favourites);
        tbFavorites->OnClick = [this](TComponent*) { calls << "favourites click"; };
        tbRotateLeft = Button("", -1);
        tbRotateLeft->SetAction(rotateLeft);
        tbRotate180 = Button("", -1);
        tbRotate180->SetAction(rotate180);
        tbRotate180->SetStyle(tbsDropDown);
        tbRotate180->SetDropdownMenu(flip);
        tbOptions = Button("Options", 3);
        // Keep the pointer off the buttons: the one under it would look raised.
        QCursor::setPos(900, 900);
        form.Show();
    }
    TToolButton* Button(const QString& caption, int image) {
        auto* b = new TToolButton(&form);
        b->SetParent(bar);
        b->SetCaption(caption);
        b->SetImageIndex(image);
        return b;
    }
};

// Presses a button at `pos` and reports the popup widget that was open while the
// press was being handled (a drop-down menu runs its own loop until closed).
QWidget* PopupOpenedByPress(QToolButton* button, QPoint pos) {
    QPointer<QWidget> seen;
    bool looked = false;
    QTimer::singleShot(0, [&] {
        looked = true;
        seen = QApplication::activePopupWidget();
        if (seen) seen->close();
    });
    SendMouse(button, QEvent::MouseButtonPress, pos);
    SendMouse(button, QEvent::MouseButtonRelease, pos);
    PumpUntil([&] { return looked; });
    if (QWidget* still = QApplication::activePopupWidget()) still->close();
    return seen;
}

}  // namespace

TEST(ToolBar, ButtonsSitSideBySideWithCaptionsUnderTheirImages) {
    ToolBarForm f;
    EXPECT_EQ(f.bar->ButtonCount(), 4);
    EXPECT_EQ(f.bar->Buttons(2), f.tbRotate180);
    EXPECT_EQ(f.bar->Height(), 52);
    EXPECT_EQ(f.bar->Width(), f.form.ClientWidth());  // aligned to the top
    // ButtonWidth is the least width: every button is as wide as the widest caption.
    const int w = f.bar->EffectiveButtonWidth();
    EXPECT_GE(w, 68);
    for (const char* caption : {"Favorites", "Rotate Left", "Rotate 180", "Options"})
        EXPECT_GT(w, f.tbFavorites->Button()->fontMetrics().horizontalAdvance(caption));
    const QRect fav = f.tbFavorites->Widget()->geometry();
    EXPECT_EQ(fav.size(), QSize(w, 44));
    EXPECT_EQ(f.tbRotateLeft->Widget()->x(), fav.x() + w);
    EXPECT_EQ(f.tbRotate180->Widget()->x(), fav.x() + 2 * w);
    EXPECT_GT(f.tbRotate180->Width(), w) << "a split button is wider by its arrow";
    EXPECT_EQ(f.tbOptions->Widget()->x(), f.tbRotate180->Widget()->x() + f.tbRotate180->Width());

    QToolButton* b = f.tbRotateLeft->Button();
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(b->text(), "Rotate Left");
    EXPECT_EQ(b->toolTip(), "Hotkey");
    EXPECT_EQ(b->iconSize(), QSize(24, 24));
    EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(b->icon().pixmap(24, QIcon::Normal).toImage().pixelColor(12, 12),
              f.images->Image(1).pixelColor(12, 12));

    // A disabled button shows its image from the disabled list.
    f.rotateLeft->SetEnabled(false);
    EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(b->icon().pixmap(24, QIcon::Disabled).toImage().pixelColor(12, 12),
              f.greyed->Image(1).pixelColor(12, 12));

    // Hiding a button closes the gap.
    f.tbRotateLeft->SetVisible(false);
    EXPECT_EQ(f.tbRotate180->Widget()->x(), fav.x() + w);
    // Without captions only the image shows.
    f.bar->SetShowCaptions(false);
    EXPECT_EQ(f.tbOptions->Button()->toolButtonStyle(), Qt::ToolButtonIconOnly);

    // A caption wider than ButtonWidth widens every button alike; shorter again, the
    // buttons go back to ButtonWidth.
    f.bar->SetShowCaptions(true);
    f.tbRotateLeft->SetVisible(true);
    f.tbOptions->SetCaption("Display EXIF information");
    const int wide = f.tbFavorites->Width();
    EXPECT_GT(wide, w);
    EXPECT_EQ(f.tbOptions->Width(), wide);
    EXPECT_EQ(f.bar->EffectiveButtonWidth(), wide);
    EXPECT_GE(wide, f.tbOptions->Button()->fontMetrics().horizontalAdvance("Display EXIF information"));
    f.tbOptions->SetCaption("&Options");
    EXPECT_EQ(f.tbFavorites->Width(), w);
    // Without captions ButtonWidth is the width.
    f.bar->SetShowCaptions(false);
    EXPECT_EQ(f.tbFavorites->Width(), 68);

    // The translator reaches a button's caption and hint by name.
    ASSERT_TRUE(FindProperty(f.tbFavorites, "caption").isValid());
    FindProperty(f.tbFavorites, "caption").write(f.tbFavorites, "Favoriten");
    FindProperty(f.tbFavorites, "hint").write(f.tbFavorites, "Lieblingsordner");
    EXPECT_EQ(f.tbFavorites->Caption(), "Favoriten");
    EXPECT_EQ(f.tbFavorites->Widget()->toolTip(), "Lieblingsordner");
}

TEST(ToolBar, ImagesAndDisabledImagesFollowTheirListsEachOnItsOwn) {
    TForm form(nullptr);
    auto* list = new TImageList(&form);
    list->SetWidth(24);
    list->SetHeight(24);
    auto* bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetImages(list);
    bar->SetDisabledImages(list);
    auto* button = new TToolButton(&form);
    button->SetParent(bar);
    button->SetImageIndex(0);
    EXPECT_TRUE(button->Button()->icon().isNull());
    // Dropping the list as DisabledImages leaves it linked as Images.
    bar->SetDisabledImages(nullptr);
    list->Add(Glyph(Qt::red, 0));
    EXPECT_FALSE(button->Button()->icon().isNull());
}

TEST(ToolBar, ClickingAButtonRunsItsActionOrOnClick) {
    ToolBarForm f;
    Click(f.tbRotateLeft->Button(), QPoint(34, 22));
    EXPECT_EQ(f.calls, QStringList{"rotate left"});
    // A disabled action's button does nothing.
    f.calls.clear();
    f.rotateLeft->SetEnabled(false);
    Click(f.tbRotateLeft->Button(), QPoint(34, 22));
    f.tbRotateLeft->Click();
    EXPECT_TRUE(f.calls.isEmpty());
    // OnClick wins over the action.
    f.rotateLeft->SetEnabled(true);
    f.tbRotateLeft->OnClick = [&](TComponent*) { f.calls << "own click"; };
    f.tbRotateLeft->Click();
    EXPECT_EQ(f.calls, QStringList{"own click"});
}

TEST(ToolBar, ADropDownButtonOpensItsMenuWhenPressed) {
    ToolBarForm f;
    QWidget* popup = PopupOpenedByPress(f.tbFavorites->Button(), QPoint(34, 22));
    EXPECT_EQ(popup, f.favourites->Menu());
    EXPECT_EQ(f.calls, QStringList{"favourites popup"}) << "no click besides the menu";
    // The menu was built from the items.
    ASSERT_EQ(f.favourites->Menu()->actions().size(), 1);
    EXPECT_EQ(f.favourites->Menu()->actions()[0]->text(), "Add Current Folder");
    // No arrow is drawn on such a button.
    EXPECT_EQ(f.tbFavorites->Button()->popupMode(), QToolButton::InstantPopup);

    // Opened from code the same way.
    f.calls.clear();
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activePopupWidget()) w->close();
    });
    EXPECT_TRUE(f.tbFavorites->CheckMenuDropdown());
    PumpUntil([] { return QApplication::activePopupWidget() == nullptr; });
    EXPECT_EQ(f.calls, QStringList{"favourites popup"});
    EXPECT_EQ(f.favourites->PopupComponent(), f.tbFavorites);
    EXPECT_FALSE(f.tbRotateLeft->CheckMenuDropdown());
}

TEST(ToolBar, ASplitButtonRunsItsActionAndItsArrowOpensTheMenu) {
    ToolBarForm f;
    QToolButton* b = f.tbRotate180->Button();
    EXPECT_EQ(b->popupMode(), QToolButton::MenuButtonPopup);
    QWidget* popup = PopupOpenedByPress(b, QPoint(20, 22));
    EXPECT_EQ(popup, nullptr);
    EXPECT_EQ(f.calls, QStringList{"rotate 180"});

    f.calls.clear();
    popup = PopupOpenedByPress(b, QPoint(b->width() - 5, 22));
    EXPECT_EQ(popup, f.flip->Menu());
    EXPECT_TRUE(f.calls.isEmpty());
}

TEST(ToolBar, AClickOnTheToolBarOrAMenuOfItLeavesTheKeysWhereTheyWere) {
    ToolBarForm f;
    auto* edit = Make<TEdit>(&f.form, &f.form, 10, 80, 200, 21);
    f.form.SetFocus();
    edit->SetFocus();
    Application()->ProcessMessages();
    if (!edit->Focused()) GTEST_SKIP() << "no keyboard focus on this platform";
    // The toolbar's empty part, a button, a drop-down button and a split button's
    // arrow (whose menus close again).
    Click(f.bar->Widget(), QPoint(f.bar->Width() - 5, 20));
    EXPECT_TRUE(edit->Focused()) << "the toolbar took the focus";
    Click(f.tbRotateLeft->Button(), QPoint(34, 22));
    EXPECT_TRUE(edit->Focused()) << "a button's click gave the focus to the toolbar";
    // After a menu the window's focus stays where it was (offscreen, no window
    // system gives the window its activation back to show it).
    PopupOpenedByPress(f.tbFavorites->Button(), QPoint(34, 22));
    PumpUntil([] { return QApplication::activePopupWidget() == nullptr; });
    EXPECT_EQ(f.form.Widget()->focusWidget(), edit->Widget());
    QToolButton* split = f.tbRotate180->Button();
    PopupOpenedByPress(split, QPoint(split->width() - 5, 22));
    PumpUntil([] { return QApplication::activePopupWidget() == nullptr; });
    EXPECT_EQ(f.form.Widget()->focusWidget(), edit->Widget());
    EXPECT_EQ(f.bar->Widget()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(f.favourites->Menu()->focusPolicy(), Qt::NoFocus);
}

TEST(ToolBar, AButtonWhoseMenuClosedAwayFromItIsNotDrawnUnderTheMouse) {
    ToolBarForm f;
    // The mouse was on the button when it opened the menu, and is elsewhere when
    // the menu closes: the menu held the mouse, so the button saw it not leave.
    for (TToolButton* button : {f.tbFavorites, f.tbRotate180}) {
        QToolButton* b = button->Button();
        b->setAttribute(Qt::WA_UnderMouse, true);
        ASSERT_TRUE(PopupOpenedByPress(b, QPoint(b->width() - 5, 22)));
        PumpUntil([b] { return !b->underMouse(); });
        EXPECT_FALSE(b->underMouse()) << button->Caption().toStdString();
    }
}

TEST(ToolBar, Screenshot) {
    ToolBarForm f;
    f.tbOptions->SetEnabled(false);
    Application()->ProcessMessages();
    const QImage shot = f.form.Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QDir::temp().filePath("orlisk-widgets-toolbar.png");
    ASSERT_TRUE(shot.save(path));
    std::printf("toolbar screenshot: %s\n", qPrintable(path));
    // The favourites image is where the first button is, the edge line above it.
    const QRect fav = f.tbFavorites->Widget()->geometry();
    bool blue = false;
    for (int y = fav.top(); y < fav.bottom() && !blue; ++y)
        for (int x = fav.left(); x < fav.right() && !blue; ++x) {
            const QColor c = shot.pixelColor(f.bar->Widget()->mapTo(f.form.Widget(), QPoint(x, y)));
            blue = c.blue() > 180 && c.red() < 80;
        }
    EXPECT_TRUE(blue);
}
