// The thumbnail grid as the user meets it: which photo a cell shows, choosing cells
// with the mouse, the pixel size in the status bar, how a cell is painted, the wheel
// and the double-click.

#include "grid_fixture.h"

#include "platform/system/filenames.h"
#include "platform/vcl/actions.h"
#include "tests/vcl/widgets_util.h"

#include <QImage>
#include <QWheelEvent>

using widgets_test::Click;
using widgets_test::SendMouse;

namespace {

QPoint Centre(const TRect& r) { return QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2); }

// The columns of `shot` between x0 and x1 (excluded) in rows y0..y1 (excluded) that
// hold a pixel `ink` accepts.
struct InkSpan {
    int left = -1, right = -1;
    bool Any() const { return left >= 0; }
};
InkSpan FindInk(const QImage& shot, int x0, int x1, int y0, int y1,
                const std::function<bool(QColor)>& ink) {
    InkSpan span;
    for (int x = std::max(x0, 0); x < std::min(x1, shot.width()); ++x)
        for (int y = std::max(y0, 0); y < std::min(y1, shot.height()); ++y)
            if (ink(shot.pixelColor(x, y))) {
                if (span.left < 0) span.left = x;
                span.right = x;
                break;
            }
    return span;
}

bool Dark(QColor c) { return c.red() < 110 && c.green() < 110 && c.blue() < 110; }
bool Red(QColor c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; }

}  // namespace

class GridViewTest : public GridTest {
protected:
    // Shows the window with cells of `cw` and `cols` columns, then loads the folder.
    void ShowAndLoad(int cw = 100, int cols = 5) {
        ShowWindow();
        form->DrawGrid->SetColCount(cols);
        Cell(cw);
        Load();
        Pump();
    }
    TRect CellRect(int c, int r) const { return form->DrawGrid->CellRect(c, r); }
    void ClickCell(int c, int r) { Click(Viewport(), Centre(CellRect(c, r))); }
    QImage Shot() {
        form->DrawGrid->Refresh();
        return Viewport()->grab().toImage();
    }
};

TEST_F(GridViewTest, CellsMapToPhotosRowByRowAndCellsPastTheLastAreEmpty) {
    Photos(17);
    Photo("p08.jpg", 40, 30);  // entry 7: a size of its own
    ShowAndLoad(100, 5);
    ASSERT_EQ(Images().Count(), 17);
    EXPECT_EQ(form->DrawGrid->RowCount(), 4);

    ClickCell(2, 1);
    EXPECT_EQ(Grid::FileName(*form), Images()[7]);
    EXPECT_EQ(Panel(0), "40 x 30");
    EXPECT_TRUE(Grid::HasSelectedImage(*form));

    // (1, 3) is entry 16, the last one; (2, 3) is past it.
    ClickCell(1, 3);
    EXPECT_EQ(Grid::FileName(*form), Images()[16]);
    EXPECT_EQ(Panel(0), "64 x 48");
    ClickCell(2, 3);
    EXPECT_EQ(Grid::FileName(*form), "");
    EXPECT_EQ(Panel(0), "64 x 48") << "kept from the photo chosen before";
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{2, 3, 2, 3}));
    EXPECT_FALSE(Grid::HasSelectedImage(*form));
    Application()->DoIdle();
    EXPECT_FALSE(form->ActionOpen->Enabled());
    EXPECT_FALSE(form->ActionRotateRight->Enabled());
    ClickCell(0, 0);
    Application()->DoIdle();
    EXPECT_TRUE(form->ActionOpen->Enabled());

    // Painted: a photo's cell has ink where its name goes; an empty cell has none.
    const QImage shot = Shot();
    const int rh = form->DrawGrid->DefaultRowHeight();
    auto nameInk = [&](int c, int r) {
        const TRect rect = CellRect(c, r);
        return FindInk(shot, rect.Left, rect.Right, rect.Top + rh - 20, rect.Top + rh - 5, Dark);
    };
    EXPECT_TRUE(nameInk(1, 3).Any());
    EXPECT_FALSE(nameInk(2, 3).Any());
    EXPECT_FALSE(nameInk(4, 3).Any());
}

TEST_F(GridViewTest, ADraggedSelectionCountsFromItsTopLeftCell) {
    Photos(2);
    ShowAndLoad(100, 5);
    ASSERT_EQ(form->DrawGrid->RowCount(), 1);
    form->DrawGrid->SetRowCount(3);  // room to drag over
    SendMouse(Viewport(), QEvent::MouseButtonPress, Centre(CellRect(3, 0)));
    SendMouse(Viewport(), QEvent::MouseMove, Centre(CellRect(2, 1)));
    SendMouse(Viewport(), QEvent::MouseMove, Centre(CellRect(1, 2)));
    SendMouse(Viewport(), QEvent::MouseButtonRelease, Centre(CellRect(1, 2)));
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{1, 0, 3, 2}));
    EXPECT_TRUE(Grid::HasSelectedImage(*form)) << "entry 1 exists";

    // The selected cells are filled with the selection grey.
    const QImage shot = Shot();
    const TRect inside = CellRect(2, 1);
    EXPECT_EQ(shot.pixelColor(inside.Left + 3, inside.Top + 3), QColor(180, 180, 180));
    const TRect outside = CellRect(4, 1);
    EXPECT_NE(shot.pixelColor(outside.Left + 3, outside.Top + 3), QColor(180, 180, 180));

    QFile::remove(folder.File("p02.jpg"));
    Load();
    form->DrawGrid->SetRowCount(3);
    form->DrawGrid->SetSelection(TGridRect{1, 0, 3, 2});
    EXPECT_FALSE(Grid::HasSelectedImage(*form)) << "entry 1 is gone";
}

TEST_F(GridViewTest, ThePixelSizeIsTheStoredOneAndOtherFormatsLeaveThePanel) {
    testsupport::WriteFile(folder.File("a.jpg"), testsupport::MakeExifJpeg(4000, 3000, 6));
    QImage png(50, 40, QImage::Format_RGB32);
    png.fill(QColor(20, 120, 200));
    ASSERT_TRUE(png.save(folder.File("b.jpg"), "PNG"));
    ShowWindow();
    form->pmiEnlargeSmall->SetChecked(false);  // the settings' default enlarges it
    ShowAndLoad(120, 5);
    ASSERT_EQ(Images().Count(), 2) << "the PNG has a thumbnail too";
    EXPECT_EQ(Panel(0), "4000 x 3000") << "the orientation is not applied";
    auto* png_thumb = dynamic_cast<TGPImage*>(Images().Objects(1));
    ASSERT_NE(png_thumb, nullptr);
    EXPECT_EQ(png_thumb->GetWidth(), 50u);

    ClickCell(1, 0);
    EXPECT_EQ(Grid::FileName(*form), folder.File("b.jpg"));
    EXPECT_EQ(Panel(0), "4000 x 3000") << "a PNG has no JPEG frame header";
    const QImage shot = Shot();
    const TRect r = CellRect(1, 0);
    const int rh = form->DrawGrid->DefaultRowHeight();
    EXPECT_TRUE(FindInk(shot, r.Left, r.Right, r.Top + rh - 20, r.Top + rh - 5, Dark).Any())
        << "its name is drawn";
    // The picture is drawn centred, 5 pixels below the cell's top.
    const int cw = form->DrawGrid->DefaultColWidth();
    EXPECT_EQ(shot.pixelColor(r.Left + (cw - 50) / 2 + 25, r.Top + 5 + 20), QColor(20, 120, 200));
}

TEST_F(GridViewTest, NamesAreDrawnInTheTextColour) {
    Photo("a.jpg");
    Photo("b.jpg");
    ShowAndLoad(120, 5);
    const int rh = form->DrawGrid->DefaultRowHeight();
    auto redInk = [&](const QImage& shot) {
        const TRect r = CellRect(1, 0);
        return FindInk(shot, r.Left, r.Right, r.Top + rh - 20, r.Top + rh - 5, Red).Any();
    };
    EXPECT_FALSE(redInk(Shot()));
    Grid::SetForeColor(*form, 0x0000FF);  // red in 0x00BBGGRR
    EXPECT_TRUE(redInk(Shot()));
    Grid::SetForeColor(*form, 0x7F0000FF);  // the top byte is no colour
    EXPECT_TRUE(redInk(Shot()));
}

TEST_F(GridViewTest, ALatin1NameHasItsCellAndShowsTheReplacementCharacter) {
    // The same photo under a Latin-1 name and under a name that holds U+FFFD itself:
    // both cells must look alike, name included. The current cell is a third one.
    Photo("a.jpg", 48, 64);
    const QString latin1 = Photo(sys::DecodeFileName("caf\xe9.jpg"));
    const QString shown = Photo(QStringLiteral("caf\uFFFD.jpg"));
    ShowAndLoad(120, 5);
    ASSERT_EQ(Images().Count(), 3);
    EXPECT_EQ(Images()[1], latin1);
    EXPECT_EQ(Images()[2], shown);

    const QImage shot = Shot();
    const TRect a = CellRect(1, 0), b = CellRect(2, 0);
    const int rh = form->DrawGrid->DefaultRowHeight();
    ASSERT_TRUE(FindInk(shot, a.Left, a.Right, a.Top + rh - 20, a.Top + rh - 5, Dark).Any());
    int differing = 0;
    for (int y = a.Top; y < a.Bottom; ++y)
        for (int x = 0; x < a.Width(); ++x)
            differing += shot.pixel(a.Left + x, y) != shot.pixel(b.Left + x, y);
    EXPECT_EQ(differing, 0);

    ClickCell(1, 0);
    EXPECT_EQ(Grid::FileName(*form), latin1);
    EXPECT_EQ(Panel(0), "64 x 48");

    // Its question names it with U+FFFD for the byte; it goes to the trash.
    form->pmiDeleteConfirm->SetChecked(true);
    dialogs->Answer(IDYES);
    form->ActionDelete->Execute();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Do you want to move \"caf\uFFFD.jpg\" to the trash?"));
    dialogs->boxes.clear();
    EXPECT_FALSE(testsupport::Stat(latin1).exists);
    EXPECT_TRUE(testsupport::Stat(home.DataHome() + "/Trash/files/" + sys::DecodeFileName("caf\xe9.jpg")).exists);
    ASSERT_EQ(Images().Count(), 2);
}

TEST_F(GridViewTest, ALongNameEndsInsideItsCellAndAShortOneIsCentred) {
    Photo("a.jpg");
    Photo("averylongfilenamethatcannotpossiblyfitunderitsthumbnail.jpg");
    ShowAndLoad(100, 5);
    ASSERT_EQ(Images().Count(), 2);
    const QImage shot = Shot();
    const int rh = form->DrawGrid->DefaultRowHeight();
    const TRect shortCell = CellRect(0, 0), longCell = CellRect(1, 0), next = CellRect(2, 0);
    const int y0 = shortCell.Top + rh - 20, y1 = shortCell.Top + rh - 5;

    const InkSpan s = FindInk(shot, shortCell.Left, shortCell.Right, y0, y1, Dark);
    ASSERT_TRUE(s.Any());
    const int leftGap = s.left - (shortCell.Left + 2), rightGap = shortCell.Right - 1 - s.right;
    EXPECT_LE(std::abs(leftGap - rightGap), 3) << leftGap << " " << rightGap;

    const InkSpan l = FindInk(shot, longCell.Left, longCell.Right, y0, y1, Dark);
    ASSERT_TRUE(l.Any());
    EXPECT_GE(l.left, longCell.Left + 2);
    EXPECT_LT(l.left, longCell.Left + 10) << "cut text fills the strip";
    EXPECT_GT(l.right, longCell.Right - 12);
    EXPECT_FALSE(FindInk(shot, next.Left, next.Right, y0, y1, Dark).Any())
        << "nothing runs into the next cell";
    // It ends in an ellipsis: the last few columns of ink are dots on the baseline,
    // not the full height of letters.
    int top = y1, bottom = y0;
    for (int x = l.right - 5; x <= l.right; ++x)
        for (int y = y0; y < y1; ++y)
            if (Dark(shot.pixelColor(x, y))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_LE(bottom - top, 2) << "ink from " << top << " to " << bottom;
}

TEST_F(GridViewTest, AWheelStepScrollsOneRowAndMovesNothing) {
    Photos(10);
    ShowAndLoad(60, 1);
    ASSERT_EQ(form->DrawGrid->RowCount(), 10);
    ASSERT_LT(form->DrawGrid->VisibleRowCount(), 10);
    ClickCell(0, 1);
    const QString fileName = Grid::FileName(*form);
    const QString panel = Panel(0);
    auto wheel = [&](int delta) {
        const QPoint pos = Centre(CellRect(0, form->DrawGrid->TopRow()));
        QWheelEvent e(QPointF(pos), QPointF(Viewport()->mapToGlobal(pos)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport(), &e);
    };
    wheel(-120);
    EXPECT_EQ(form->DrawGrid->TopRow(), 1);
    EXPECT_EQ(form->DrawGrid->Row(), 1);
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{0, 1, 0, 1}));
    EXPECT_EQ(Grid::FileName(*form), fileName);
    EXPECT_EQ(Panel(0), panel);
    wheel(120);
    EXPECT_EQ(form->DrawGrid->TopRow(), 0);
    EXPECT_EQ(form->DrawGrid->Row(), 1);

    for (int i = 0; i < 20; ++i) wheel(-120);
    const int last = form->DrawGrid->TopRow();
    EXPECT_EQ(last, 10 - form->DrawGrid->VisibleRowCount());
    wheel(-120);
    EXPECT_EQ(form->DrawGrid->TopRow(), last) << "at the last row nothing changes";
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{0, 1, 0, 1}));
}

TEST_F(GridViewTest, ADoubleClickOpensOnlyAPhoto) {
    Photos(3);
    ShowAndLoad(100, 5);
    int opened = 0;
    QString openedFile;
    form->ActionOpen->OnExecute = [&](TComponent*) {
        ++opened;
        openedFile = Grid::FileName(*form);
    };
    auto doubleClick = [&](int c, int r) {
        const QPoint p = Centre(CellRect(c, r));
        Click(Viewport(), p);
        SendMouse(Viewport(), QEvent::MouseButtonDblClick, p);
        SendMouse(Viewport(), QEvent::MouseButtonRelease, p);
    };
    doubleClick(4, 0);
    EXPECT_EQ(opened, 0);
    doubleClick(1, 0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(openedFile, Images()[1]);
    // While the path box has the focus the action list is suspended: nothing opens.
    form->ActionList->SetState(asSuspended);
    doubleClick(2, 0);
    EXPECT_EQ(opened, 1);
}
