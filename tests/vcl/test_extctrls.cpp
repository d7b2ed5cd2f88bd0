// The path bar's container and controls, the status bar, the image list.
#include "platform/vcl/application.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/stdctrls_extra.h"
#include "tests/vcl/widgets_util.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace widgets_test;

TEST(StatusBar, PanelsAlongTheBottomTheLastToTheRightEdge) {
    TForm form(nullptr);
    form.SetClientWidth(792);
    form.SetClientHeight(573);
    auto* bar = new TStatusBar(&form);
    bar->SetParent(&form);
    EXPECT_EQ(bar->Align(), alBottom);
    EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());
    EXPECT_EQ(bar->Width(), 792);

    TStatusPanel* size = bar->Panels()->Add();
    size->SetWidth(550);
    TStatusPanel* count = bar->Panels()->Add();
    count->SetWidth(50);
    ASSERT_EQ(bar->Panels()->Count(), 2);
    EXPECT_EQ(bar->Panels()->Items(1), count);
    EXPECT_EQ(count->Index(), 1);
    bar->Panels()->Items(0)->SetText("4000 x 3000");
    bar->Panels()->Items(1)->SetText("12 file(s)");
    EXPECT_EQ(size->Text(), "4000 x 3000");
    EXPECT_EQ(bar->Panels()->Items(0)->Width(), 550);
    EXPECT_EQ(bar->PanelRect(0).left(), 0);
    EXPECT_EQ(bar->PanelRect(1).left(), 550);
    EXPECT_EQ(bar->PanelRect(1).left() + bar->PanelRect(1).width(), 790) << "to the right edge";
    EXPECT_TRUE(bar->PanelRect(2).isEmpty());
    try {
        bar->Panels()->Items(2);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (2)");
    }
    EXPECT_TRUE(FindProperty(size, "text").isValid());
    FindProperty(size, "TEXT").write(size, "Warning! Unable to read some images.");
    EXPECT_EQ(size->Text(), "Warning! Unable to read some images.");

    // The text shows in the bar.
    form.Show();
    const QImage shot = bar->Widget()->grab().toImage();
    bool ink = false;
    for (int x = 4; x < 200 && !ink; ++x)
        for (int y = 3; y < shot.height() - 2 && !ink; ++y)
            ink = shot.pixelColor(x, y).lightness() < 100;
    EXPECT_TRUE(ink);
    bar->Panels()->Delete(0);
    EXPECT_EQ(bar->Panels()->Count(), 1);
}

TEST(Panel, BorderWidthInsetsTheChildrenAndAlignedChildrenFollow) {
    TForm form(nullptr);
    form.SetClientWidth(792);
    form.SetClientHeight(573);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alTop);
    panel->SetHeight(40);
    panel->SetBevelOuter(bvNone);
    panel->SetBorderWidth(5);
    panel->SetCaption("");
    EXPECT_EQ(panel->Width(), 792);
    EXPECT_EQ(panel->ClientWidth(), 782);
    EXPECT_EQ(panel->ClientHeight(), 30);
    auto* button = Make<TBitBtn>(panel, &form, 0, 0, 21, 21);
    button->SetAlign(alLeft);
    auto* browse = Make<TButton>(panel, &form, 0, 0, 105, 21);
    browse->SetAlign(alRight);
    auto* edit = Make<TEdit>(panel, &form, 30, 4, 500, 21);
    edit->SetAnchors(akLeft | akTop | akRight);
    EXPECT_EQ(button->Widget()->mapTo(form.Widget(), QPoint(0, 0)) -
                  panel->Widget()->mapTo(form.Widget(), QPoint(0, 0)),
              QPoint(5, 5));
    EXPECT_EQ(browse->Left() + browse->Width(), 782);
    // The panel places its children while the form is still hidden...
    form.SetClientWidth(850);
    EXPECT_EQ(panel->ClientWidth(), 840);
    EXPECT_EQ(browse->Left() + browse->Width(), 840);
    EXPECT_EQ(edit->Width(), 558);
    // ...and on a shown form, through the resize events.
    form.Show();
    form.SetClientWidth(900);
    Application()->ProcessMessages();
    EXPECT_EQ(panel->ClientWidth(), 890);
    EXPECT_EQ(browse->Left() + browse->Width(), 890);
    EXPECT_EQ(edit->Width(), 608) << "anchored to both sides it stretches";
    // A raised bevel takes a pixel more on each side.
    panel->SetBevelOuter(bvRaised);
    EXPECT_EQ(panel->ClientWidth(), 888);
    EXPECT_TRUE(FindProperty(panel, "caption").isValid());
}

TEST(Edit, OnChangeAndOnKeyDownWithVirtualKeys) {
    TForm form(nullptr);
    auto* edit = Make<TEdit>(&form, &form, 0, 0, 300, 21);
    QStringList seen;
    edit->OnChange = [&](TComponent*) { seen << "change " + edit->Text(); };
    edit->OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState shift) {
        seen << QString("key %1 %2").arg(key).arg(shift);
        if (key == 'X') key = 0;  // swallowed
    };
    FindProperty(edit, "text").write(edit, "/home/user/Pictures");
    EXPECT_EQ(seen, QStringList{"change /home/user/Pictures"});
    form.Show();
    edit->SetFocus();
    Application()->ProcessMessages();
    if (!edit->Focused()) GTEST_SKIP() << "no keyboard focus on this platform";
    seen.clear();
    edit->LineEdit()->end(false);
    SendKey(edit->Widget(), Qt::Key_Return, Qt::ShiftModifier);
    SendKey(edit->Widget(), Qt::Key_X, Qt::NoModifier, "x");
    SendKey(edit->Widget(), Qt::Key_S, Qt::NoModifier, "s");
    EXPECT_EQ(seen, (QStringList{"key 13 1", "key 88 0", "key 83 0", "change /home/user/Picturess"}));
    edit->SetMaxLength(0);
    EXPECT_GT(edit->LineEdit()->maxLength(), 32767);
}

TEST(CheckBox, OnClickRunsWhenTheStateChangesFromCodeToo) {
    TForm form(nullptr);
    auto* box = Make<TCheckBox>(&form, &form, 0, 0, 150, 17);
    box->SetCaption("Include subfolders");
    QList<bool> clicks;
    box->OnClick = [&](TComponent* s) { clicks << static_cast<TCheckBox*>(s)->Checked(); };
    box->SetChecked(true);
    box->SetChecked(true);  // no change, no click
    FindProperty(box, "checked").write(box, false);
    EXPECT_EQ(clicks, (QList<bool>{true, false}));
    box->CheckBox()->click();  // the user's click
    EXPECT_EQ(clicks, (QList<bool>{true, false, true}));
    EXPECT_EQ(FindProperty(box, "CAPTION").read(box).toString(), "Include subfolders");
}

TEST(BitBtn, GlyphWithTwoStates) {
    TForm form(nullptr);
    auto* button = Make<TBitBtn>(&form, &form, 0, 0, 21, 21);
    QImage glyph(32, 16, QImage::Format_ARGB32);
    glyph.fill(Qt::blue);
    QPainter(&glyph).fillRect(16, 0, 16, 16, Qt::gray);
    button->SetGlyph(glyph);
    button->SetNumGlyphs(2);
    button->SetHint("Recent folder");
    EXPECT_EQ(button->GlyphFor(true).size(), QSize(16, 16));
    EXPECT_EQ(button->GlyphFor(true).toImage().pixelColor(8, 8), QColor(Qt::blue));
    EXPECT_EQ(button->GlyphFor(false).toImage().pixelColor(8, 8), QColor(Qt::gray));
    const QIcon icon = button->Button()->icon();
    EXPECT_EQ(icon.pixmap(16, QIcon::Disabled).toImage().pixelColor(8, 8), QColor(Qt::gray));
    EXPECT_EQ(button->Widget()->toolTip(), "Recent folder");
    int clicks = 0;
    button->OnClick = [&](TComponent*) { ++clicks; };
    button->Click();
    button->SetEnabled(false);
    button->Click();
    EXPECT_EQ(clicks, 1);
    button->SetNumGlyphs(9);
    EXPECT_EQ(button->NumGlyphs(), 4);
}

TEST(ImageList, ImagesByIndexWithMinusOneForNone) {
    TImageList list(nullptr);
    list.SetWidth(24);
    list.SetHeight(24);
    int changes = 0;
    QObject::connect(&list, &TImageList::Changed, [&] { ++changes; });
    QImage big(48, 48, QImage::Format_ARGB32);
    big.fill(Qt::green);
    EXPECT_EQ(list.Add(big), 0);
    EXPECT_EQ(list.Add(QImage()), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Pixmap(0).size(), QSize(24, 24));
    EXPECT_EQ(list.Image(0).pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(list.Image(1).pixelColor(5, 5).alpha(), 0);
    EXPECT_TRUE(list.Pixmap(-1).isNull());
    EXPECT_TRUE(list.Pixmap(2).isNull());
    EXPECT_THROW(list.Replace(5, big), EInvalidOperation);
    list.Delete(1);
    EXPECT_EQ(list.Count(), 1);
    list.SetWidth(16);  // another size empties the list
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 4);
}
