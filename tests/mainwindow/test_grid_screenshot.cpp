// A picture of the main window showing a folder of photos with a range selected, for
// a person to look at.

#include "grid_fixture.h"

#include "tests/vcl/widgets_util.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>

TEST_F(GridTest, ScreenshotOfAFolderWithASelection) {
    const struct {
        const char* name;
        int w, h;
    } photos[] = {
        {"Beach.jpg", 1600, 1200},  {"canal.jpg", 1200, 1600},
        {"Dunes.jpg", 900, 900},    {"evening_light_over_the_old_harbour.jpg", 2000, 1000},
        {"fern.jpg", 100, 80},      {"Glacier.jpg", 1024, 768},
        {"harbour.jpg", 600, 900},  {"Islands.jpg", 3000, 200},
        {"jetty.jpg", 800, 600},    {"Kestrel.jpg", 640, 480},
        {"lagoon.jpg", 480, 640},
    };
    unsigned seed = 1;
    for (const auto& p : photos) Photo(p.name, p.w, p.h, seed++);
    form->SetBounds(0, 0, 800, 600);
    ShowWindow();  // the show lays the cells out for the window's width
    Load();
    Pump();
    ASSERT_EQ(Images().Count(), 11);

    // A range: click on the second photo, shift+click on the fourth of the next row.
    const auto centre = [&](int c, int r) {
        const TRect rect = form->DrawGrid->CellRect(c, r);
        return QPoint(rect.Left + rect.Width() / 2, rect.Top + rect.Height() / 2);
    };
    widgets_test::Click(Viewport(), centre(1, 0));
    widgets_test::Click(Viewport(), centre(3, 1), Qt::ShiftModifier);
    Application()->DoIdle();
    Pump();
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{1, 0, 3, 1}));

    const QImage shot = form->Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QCoreApplication::applicationDirPath() + "/mainwindow_grid.png";
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    std::printf("screenshot: %s\n", path.toLocal8Bit().constData());
    EXPECT_EQ(Panel(1), "11 file(s)");
}
