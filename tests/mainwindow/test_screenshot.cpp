// A picture of the main window as it starts, for a person to look at.

#include "mainwindow_fixture.h"

#include "platform/vcl/toolbar.h"

#include <QCoreApplication>
#include <cstdio>
#include <QImage>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>

TEST_F(MainWindowTest, ScreenshotOfTheEmptyWindow) {
    form->Show();
    Pump();
    Application()->DoIdle();  // the actions as the first idle moment leaves them
    Pump();
    QWidget* window = form->Widget();
    ASSERT_TRUE(window->isVisible());
    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QCoreApplication::applicationDirPath() + "/mainwindow.png";
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    std::printf("screenshot: %s\n", path.toLocal8Bit().constData());

    // What the picture must show: nine buttons of one size (at least 68 x 44) side by
    // side (the split button with its arrow on top), with their captions under the
    // images.
    for (int i = 0; i < form->ToolBar->ButtonCount(); ++i) {
        const TToolButton* tb = form->ToolBar->Buttons(i);
        const QToolButton* b = tb->Button();
        EXPECT_TRUE(b->isVisible());
        EXPECT_EQ(b->height(), 44);
        if (tb->Style() == tbsDropDown) {
            EXPECT_GT(b->width(), form->ToolBar->EffectiveButtonWidth());
        } else {
            EXPECT_EQ(b->width(), form->ToolBar->EffectiveButtonWidth());
        }
        // Every caption fits its button: nothing is cut off.
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 8,
                  form->ToolBar->EffectiveButtonWidth())
            << b->text().toStdString();
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        if (i > 0) {
            const QToolButton* previous = form->ToolBar->Buttons(i - 1)->Button();
            EXPECT_GE(b->x(), previous->x() + previous->width());
        }
    }
}
