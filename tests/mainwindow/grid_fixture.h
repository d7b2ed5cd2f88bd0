#pragma once
// The main window with real photo folders made on the spot: a temporary HOME, the
// progress window as a real form offscreen, and the grid's private parts the tests
// look at.

#include "mainwindow_fixture.h"

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "progress/app_wait.h"
#include "progress/frm_wait.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

struct GridTestAccess {
    static TStringList& Images(TFormOrlisk& f) { return *f.Images; }
    static QString FileName(const TFormOrlisk& f) { return f.FileName; }
    static QString CurrentFolder(const TFormOrlisk& f) { return f.CurrentFolder; }
    static bool MakingThumbNails(const TFormOrlisk& f) { return f.MakingThumbNails; }
    static bool HasSelectedImage(const TFormOrlisk& f) { return f.HasSelectedImage(); }
    static void LoadFolder(TFormOrlisk& f, const QString& folder) { f.LoadFolder(folder); }
    static TGPImage* MakeThumbnail(TFormOrlisk& f, const QString& path) { return f.MakeThumbnail(path); }
    static void RefreshThumbnail(TFormOrlisk& f, const QString& path) { f.RefreshThumbnail(path); }
    static void RebuildThumbnails(TFormOrlisk& f) { f.RebuildThumbnails(); }
    static void SetForeColor(TFormOrlisk& f, TColor color) { f.FForeColor = color; }
};
using Grid = GridTestAccess;

class GridTest : public MainWindowTest {
protected:
    void SetUp() override {
        TProgressWindow::SetUseForm(true);
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        TProgressWindow::SetUseForm(std::nullopt);
    }

    // A photo of the given size (a JPEG with a JFIF header) in the folder.
    QString Photo(const QString& name, int width = 64, int height = 48, unsigned seed = 1) {
        testsupport::JpegSpec spec;
        spec.width = width;
        spec.height = height;
        spec.seed = seed;
        const QString path = folder.File(name);
        testsupport::WriteFile(path, testsupport::MakeJpeg(spec));
        return path;
    }
    // `count` photos named p01.jpg, p02.jpg ...
    void Photos(int count) {
        for (int i = 1; i <= count; ++i) Photo(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0')));
    }
    // The grid laid out as a rebuild for a window of the stored size would leave it.
    void Cell(int cw) {
        form->DrawGrid->SetDefaultColWidth(cw);
        form->DrawGrid->SetDefaultRowHeight(cw + 20);
    }
    void ShowWindow() {
        form->Show();
        Pump();
    }
    void Load(const QString& path) { Grid::LoadFolder(*form, path); }
    void Load() { Load(folder.Path()); }
    TStringList& Images() { return Grid::Images(*form); }
    QString Panel(int i) const { return form->StatusBar->Panels()->Items(i)->Text(); }
    QWidget* Viewport() const {
        return static_cast<QAbstractScrollArea*>(form->DrawGrid->Widget())->viewport();
    }
    // The scan's own order of the folder, which the load follows until it sorts.
    QStringList ScanOrder() const {
        TStringList list;
        FindJpegFiles(folder.Path(), list, false);
        return list.ToQStringList();
    }

    // Runs `step` each time the load pumps messages (a zero-time timer fires at every
    // pump), for the life of the object.
    struct DuringLoad {
        QTimer timer;
        explicit DuringLoad(std::function<void()> step) {
            timer.setInterval(0);
            QObject::connect(&timer, &QTimer::timeout, std::move(step));
            timer.start();
        }
    };

    testsupport::TempHome home;
    testsupport::TempDir folder;
};

// Counts the top-level windows other than `main` that are shown: progress windows.
class ShownWindows : public QObject {
public:
    explicit ShownWindows(QWidget* main) : main_(main) { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w->isWindow() && w != main_ && !e->spontaneous()) ++count;
        }
        return false;
    }

private:
    QWidget* main_;
};

// Counts the paint events of a widget for the life of the object, calling `onPaint`
// (when set) at each.
class Paints : public QObject {
public:
    explicit Paints(QWidget* w) : w_(w) { w->installEventFilter(this); }
    ~Paints() override { w_->removeEventFilter(this); }
    int count = 0;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++count;
            if (onPaint) onPaint();
        }
        return false;
    }

private:
    QWidget* w_;
};
