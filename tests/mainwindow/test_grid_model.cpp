// The thumbnail grid's model on real photo folders: thumbnail sizes, loading with its
// progress window, early repaint, sorting, Cancel, unreadable files, refresh and
// rebuild.

#include "grid_fixture.h"

#include "tests/support/oracle.h"

#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/sysmetrics.h"

#include <QDir>
#include <QImage>
#include <memory>

namespace {

struct Size {
    unsigned w, h;
    friend bool operator==(const Size&, const Size&) = default;
};
std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.w << "x" << s.h; }

// The progress window shows: the load's loop runs.
bool ThumbnailsBeingMade() {
    TForm* wait = FindWindowByClassName(QStringLiteral("TfrmWait"));
    return wait && wait->Visible();
}

}  // namespace

TEST_F(GridTest, ThumbnailSizesForA153PixelCellInBothQualities) {
    Cell(153);
    const QString wide = Photo("wide.jpg", 4000, 3000);
    const QString tall = Photo("tall.jpg", 3000, 4000);
    const QString square = Photo("square.jpg", 1000, 1000);
    const QString small = Photo("small.jpg", 100, 80);
    const QString narrow = Photo("narrow.jpg", 140, 150);
    const QString panorama = Photo("panorama.jpg", 2000, 8);
    auto size = [&](const QString& path) {
        std::unique_ptr<TGPImage> t(Grid::MakeThumbnail(*form, path));
        EXPECT_TRUE(t) << path.toStdString();
        return t ? Size{t->GetWidth(), t->GetHeight()} : Size{0, 0};
    };
    for (bool high : {true, false}) {
        SCOPED_TRACE(high ? "high quality" : "low quality");
        form->pmiHiQuality->SetChecked(high);
        form->pmiLowQuality->SetChecked(!high);
        form->pmiEnlargeSmall->SetChecked(false);
        EXPECT_EQ(size(wide), (Size{143, 107}));
        EXPECT_EQ(size(tall), (Size{107, 143}));
        EXPECT_EQ(size(square), (Size{143, 143}));
        EXPECT_EQ(size(small), (Size{100, 80}));
        EXPECT_EQ(size(narrow), (Size{140, 150})) << "taller than the thumbnail area, kept";
        // 8 x 143 / 2000 is 0: one pixel, so the photo still shows.
        EXPECT_EQ(size(panorama), (Size{143, 1}));
        form->pmiEnlargeSmall->SetChecked(true);
        EXPECT_EQ(size(small), (Size{143, 114}));
        EXPECT_EQ(size(narrow), (Size{133, 143}));
    }
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Grid::MakeThumbnail(*form, folder.File("missing.jpg")), nullptr);
    EXPECT_EQ(Panel(0), "") << "a missing file is no unreadable image";
}

TEST_F(GridTest, TwentyFivePhotosRepaintOnceEarlyThenSortIgnoringCase) {
    ShowWindow();
    Cell(60);
    form->DrawGrid->SetColCount(5);
    Photo("b.jpg");
    Photo("C.jpg");
    Photo("A.jpg");
    Photos(22);
    const QStringList scan = ScanOrder();
    ASSERT_EQ(scan.size(), 25);

    // Paints of the grid while the thumbnails are made, with what the model held then.
    std::vector<QStringList> painted;
    Pump();  // the layout's own repaints come first
    ShownWindows progress(form->Widget());
    {
        Paints spy(Viewport());
        spy.onPaint = [&] {
            // A window system may also repaint the grid when the progress window takes
            // the focus, before any thumbnail is made; only paints of work done count.
            if (ThumbnailsBeingMade() && Images().Count() > 0)
                painted.push_back(Images().ToQStringList());
        };
        Load();
    }

    // Offscreen nothing else repaints the grid; a real window system may add its own
    // repaints (the activation moving to the progress window and back).
    const bool alone = QGuiApplication::platformName() == "offscreen";
    std::vector<QStringList> forced;
    for (const QStringList& p : painted)
        if (p.size() == 20) forced.push_back(p);
    ASSERT_EQ(forced.size(), 1u) << "one repaint before the 21st thumbnail";
    if (alone) {
        EXPECT_EQ(painted.size(), 1u) << "and no other while the thumbnails are made";
    }
    EXPECT_EQ(forced[0], scan.mid(0, 20)) << "in the scan's order, not yet sorted";
    EXPECT_EQ(progress.count, 1);
    ASSERT_EQ(Images().Count(), 25);
    EXPECT_EQ(Images()[0], folder.File("A.jpg"));
    EXPECT_EQ(Images()[1], folder.File("b.jpg"));
    EXPECT_EQ(Images()[2], folder.File("C.jpg"));
    EXPECT_EQ(Images()[3], folder.File("p01.jpg"));
    EXPECT_EQ(form->DrawGrid->RowCount(), 5);
    EXPECT_EQ(form->DrawGrid->Col(), 0);
    EXPECT_EQ(form->DrawGrid->Row(), 0);
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{0, 0, 0, 0}));
    EXPECT_EQ(form->DrawGrid->TopRow(), 0);
    Pump();  // the main window is active again once the progress window went
    EXPECT_TRUE(form->DrawGrid->Focused()) << "the scroll to the top gives the grid the focus";
    EXPECT_EQ(Panel(1), "25 file(s)");
    EXPECT_EQ(Panel(0), "64 x 48");
    EXPECT_EQ(Grid::FileName(*form), folder.File("A.jpg"));
    EXPECT_FALSE(Grid::MakingThumbNails(*form));
    for (int i = 0; i < Images().Count(); ++i) EXPECT_NE(Images().Objects(i), nullptr);
}

TEST_F(GridTest, TwentyPhotosNoEarlyRepaintAndTheRowCountFollowsTheCount) {
    ShowWindow();
    Cell(60);
    form->DrawGrid->SetColCount(5);
    Photos(20);
    int paints = 0;
    Pump();
    {
        Paints spy(Viewport());
        spy.onPaint = [&] { paints += ThumbnailsBeingMade() && Images().Count() > 0; };
        Load();
    }
    if (QGuiApplication::platformName() == "offscreen") {
        EXPECT_EQ(paints, 0);  // a real window system may repaint on its own
    }
    EXPECT_EQ(form->DrawGrid->RowCount(), 4);

    QFile::remove(folder.File("p20.jpg"));
    for (int i = 11; i <= 19; ++i) QFile::remove(folder.File(QStringLiteral("p%1.jpg").arg(i)));
    Photos(12);  // 10 left, 2 of them made again: 12
    Load();
    EXPECT_EQ(Images().Count(), 12);
    EXPECT_EQ(form->DrawGrid->RowCount(), 3);
    QFile::remove(folder.File("p11.jpg"));
    QFile::remove(folder.File("p12.jpg"));
    Load();
    EXPECT_EQ(form->DrawGrid->RowCount(), 2);
    EXPECT_EQ(Panel(1), "10 file(s)");
}

TEST_F(GridTest, AnEmptyFolderShowsNoProgressAndOneEmptyRow) {
    ShowWindow();
    Photos(3);
    Load();
    form->DrawGrid->SetSelection(TGridRect{1, 0, 2, 0});
    testsupport::TempDir empty;
    ShownWindows progress(form->Widget());
    Load(empty.Path());
    EXPECT_EQ(progress.count, 0);
    EXPECT_EQ(Images().Count(), 0);
    EXPECT_EQ(form->DrawGrid->RowCount(), 1);
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{0, 0, 0, 0}));
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(1), "0 file(s)");
    EXPECT_EQ(Grid::FileName(*form), "");
    EXPECT_FALSE(Grid::HasSelectedImage(*form));
}

TEST_F(GridTest, CancelWhileTheSeventhIsMadeKeepsSevenSorted) {
    ShowWindow();
    Cell(60);
    form->DrawGrid->SetColCount(5);
    Photos(12);
    const QStringList scan = ScanOrder();
    bool clicked = false;
    DuringLoad step([&] {
        // The click reaches the window while the 7th thumbnail is made; the load sees
        // it at its next poll.
        if (clicked || Images().Count() != 7) return;
        auto* wait = static_cast<TfrmWait*>(FindWindowByClassName(QStringLiteral("TfrmWait")));
        ASSERT_NE(wait, nullptr);
        wait->btnCancel->Click();
        clicked = true;
    });
    Load();
    ASSERT_TRUE(clicked);
    ASSERT_EQ(Images().Count(), 7);
    QStringList made = scan.mid(0, 7);
    std::sort(made.begin(), made.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(Images().ToQStringList(), made);
    EXPECT_EQ(form->DrawGrid->RowCount(), 2);
    EXPECT_EQ(Panel(1), "7 file(s)");
    EXPECT_FALSE(Grid::MakingThumbNails(*form));
}

TEST_F(GridTest, AnUnreadableFileWarnsDuringTheLoadAndGetsNoCell) {
    ShowWindow();
    Photo("a.jpg", 64, 48);
    Photo("b.jpg", 32, 24);
    testsupport::WriteFile(folder.File("broken.jpg"), QByteArray(4000, 'x'));
    // Its decode would take 24 GB: its size is known, yet it cannot be read.
    testsupport::WriteFile(folder.File("bomb.jpg"),
                           testsupport::TestData("decode-bomb-progressive-64250.jpg"));
    QStringList seen;
    DuringLoad step([&] {
        if (!seen.contains(Panel(0))) seen << Panel(0);
    });
    Load();
    EXPECT_TRUE(seen.contains("Warning! Unable to read some images.")) << seen.join("|").toStdString();
    EXPECT_EQ(Images().ToQStringList(), QStringList({folder.File("a.jpg"), folder.File("b.jpg")}));
    EXPECT_EQ(Panel(0), "64 x 48") << "the first photo's size replaces the warning";
    EXPECT_EQ(Panel(1), "2 file(s)");

    // With only the unreadable file the warning stays.
    QFile::remove(folder.File("a.jpg"));
    QFile::remove(folder.File("b.jpg"));
    Load();
    EXPECT_EQ(Panel(0), "Warning! Unable to read some images.");
    EXPECT_EQ(Panel(1), "0 file(s)");
}

TEST_F(GridTest, AFolderNamedLikeAPhotoCountsInTheBarButGetsNoCellNorWarning) {
    ShowWindow();
    Photo("a.jpg");
    Photo("b.jpg");
    testsupport::WriteFile(folder.File("x.jpg/inner.jpg"), testsupport::MakeJpeg({}));
    int bound = -1;
    QStringList seen;
    DuringLoad step([&] {
        if (auto* wait = static_cast<TfrmWait*>(FindWindowByClassName(QStringLiteral("TfrmWait"))))
            bound = wait->ProgressBar->Max();
        seen << Panel(0);
    });
    Load();
    EXPECT_EQ(bound, 3);
    EXPECT_EQ(Images().Count(), 2);
    EXPECT_FALSE(seen.contains("Warning! Unable to read some images."));
}

TEST_F(GridTest, RefreshDuringALoadRaisesTheProgressWindowAndLeavesTheLoadAlone) {
    ShowWindow();
    Photos(8);
    ShownWindows progress(form->Widget());
    bool asked = false;
    QWidget* activeAfter = nullptr;
    QWidget* waitWindow = nullptr;
    DuringLoad step([&] {
        if (asked || Images().Count() != 3) return;
        asked = true;
        auto* wait = FindWindowByClassName(QStringLiteral("TfrmWait"));
        ASSERT_NE(wait, nullptr);
        waitWindow = wait->Widget();
        form->Widget()->activateWindow();
        Pump();
        form->pmiRefresh->Click();
        Pump();
        activeAfter = QApplication::activeWindow();
    });
    Load();
    ASSERT_TRUE(asked);
    EXPECT_EQ(activeAfter, waitWindow);
    EXPECT_EQ(progress.count, 1) << "no second load";
    EXPECT_EQ(Images().Count(), 8);
    EXPECT_EQ(Panel(1), "8 file(s)");
}

TEST_F(GridTest, RefreshThumbnailRemakesDropsOrIgnores) {
    ShowWindow();
    Cell(153);
    form->DrawGrid->SetColCount(2);
    Photo("a.jpg", 400, 300);
    Photo("b.jpg", 400, 300);
    Photo("B.jpg", 400, 300);
    Photo("c.jpg", 400, 300);
    Photo("d.jpg", 400, 300);
    Load();
    ASSERT_EQ(Images().Count(), 5);
    EXPECT_EQ(form->DrawGrid->RowCount(), 3);
    const QStringList before = Images().ToQStringList();
    std::vector<TObject*> objects;
    for (int i = 0; i < 5; ++i) objects.push_back(Images().Objects(i));

    Grid::RefreshThumbnail(*form, QString());
    Grid::RefreshThumbnail(*form, folder.File("unknown.jpg"));
    Grid::RefreshThumbnail(*form, "/elsewhere/a.jpg");
    EXPECT_EQ(Images().ToQStringList(), before);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Images().Objects(i), objects[i]);

    // The photo turned: its thumbnail is made again, in its place.
    Photo("c.jpg", 300, 400);
    Grid::RefreshThumbnail(*form, folder.File("c.jpg"));
    const int c = before.indexOf(folder.File("c.jpg"));
    auto* thumbnail = dynamic_cast<TGPImage*>(Images().Objects(c));
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->GetWidth(), 107u);
    EXPECT_EQ(thumbnail->GetHeight(), 143u);
    EXPECT_EQ(Images().ToQStringList(), before);

    // "b.jpg" is gone; "B.jpg", a photo of its own on Linux, stays.
    QFile::remove(folder.File("b.jpg"));
    Grid::RefreshThumbnail(*form, folder.File("b.jpg"));
    QStringList after = before;
    after.removeAll(folder.File("b.jpg"));
    EXPECT_EQ(Images().ToQStringList(), after) << "the following photos move one cell back";
    EXPECT_EQ(form->DrawGrid->RowCount(), 2) << "brought up to date at once";
    EXPECT_EQ(Panel(1), "4 file(s)");
}

TEST_F(GridTest, RebuildChangesOnlyTheCellSizeWhenHiddenOrWithoutAFolder) {
    Photos(2);
    Load();  // the window is hidden: a load is still allowed
    ASSERT_EQ(Images().Count(), 2);
    TObject* first = Images().Objects(0);
    form->DrawGrid->SetColCount(3);
    Grid::RebuildThumbnails(*form);
    const int cw = (form->DrawGrid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) / 3;
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), cw);
    EXPECT_EQ(form->DrawGrid->DefaultRowHeight(), cw + 20);
    EXPECT_EQ(Images().Objects(0), first) << "hidden: nothing reloaded";

    ShowWindow();  // the show's rebuild reloads the folder
    ASSERT_EQ(Images().Count(), 2);
    first = Images().Objects(0);
    ASSERT_TRUE(QDir(folder.Path()).removeRecursively());
    form->DrawGrid->SetColCount(4);
    ShownWindows progress(form->Widget());
    Grid::RebuildThumbnails(*form);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(),
              (form->DrawGrid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) / 4);
    EXPECT_EQ(progress.count, 0);
    EXPECT_EQ(Images().Objects(0), first);
}

TEST_F(GridTest, AFolderIsShownWithoutItsTrailingSlashButTheRootKeepsIt) {
    ShowWindow();
    Photo("a.jpg");
    Load(folder.Path() + "/");
    EXPECT_EQ(Grid::CurrentFolder(*form), folder.Path());
    EXPECT_EQ(form->edPath->Text(), folder.Path());
    EXPECT_EQ(Images().ToQStringList(), QStringList{folder.File("a.jpg")});
    Load("/");
    EXPECT_EQ(Grid::CurrentFolder(*form), "/");
    EXPECT_EQ(form->edPath->Text(), "/");
}

TEST_F(GridTest, RefreshReloadsTheShownFolderOnly) {
    ShowWindow();
    form->pmiRefresh->Click();  // no folder shown: nothing
    EXPECT_EQ(Images().Count(), 0);
    EXPECT_EQ(Panel(1), "");
    Photo("a.jpg");
    Load();
    Photo("b.jpg");
    form->pmiRefresh->Click();
    EXPECT_EQ(Images().Count(), 2);
    EXPECT_EQ(Panel(1), "2 file(s)");
}

TEST_F(GridTest, ClosingTheWindowDuringALoadEndsTheLoad) {
    ShowWindow();
    Photos(10);
    bool closed = false;
    DuringLoad step([&] {
        if (closed || Images().Count() != 3) return;
        closed = true;
        Application()->Terminate();  // what closing the main window does
    });
    Load();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Application()->Terminated());
    EXPECT_LE(Images().Count(), 4) << "no reason to make the rest";
    MainWindowTest::TearDown();
    form = nullptr;
    FreeApplication();  // a terminated application stays so: the next test gets a new one
}
