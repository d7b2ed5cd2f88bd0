#pragma once
// The main window with a folder of real photos made by the test, in a temporary
// HOME (settings, trash and documents folder of its own).

#include "mainwindow_fixture.h"

#include "tests/support/files.h"
#include "tests/support/photos.h"

#include "platform/vcl/extctrls.h"

#include <QDir>
#include <QStringList>

struct CommandsTestAccess {
    static QString& FileName(TFormOrlisk& form) { return form.FileName; }
    static QString& CurrentFolder(TFormOrlisk& form) { return form.CurrentFolder; }
    static QString& RecentFolder(TFormOrlisk& form) { return form.RecentFolder; }
    static void LoadFolder(TFormOrlisk& form, const QString& folder) { form.LoadFolder(folder); }
};

class PhotosTest : public MainWindowTest {
protected:
    testsupport::TempHome home;
    QString folder;

    void SetUp() override {
        MainWindowTest::SetUp();
        folder = home.Path() + "/photos";
        QDir().mkpath(folder);
    }
    void TearDown() override {
        dialogs->boxes.clear();  // each test looks at its own boxes
        MainWindowTest::TearDown();
    }

    // Photo i of the folder: "p00.jpg", "p01.jpg"...; 64 x 48 unless told otherwise
    // (a width that is no multiple of 16 makes the transform ask about cropping).
    QString Photo(int i) const { return folder + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QChar(u'0')); }
    void MakePhotos(int count, int width = 64, int height = 48) {
        for (int i = 0; i < count; ++i) {
            testsupport::JpegSpec spec;
            spec.width = width;
            spec.height = height;
            spec.seed = static_cast<unsigned>(i + 1);
            testsupport::WriteFile(Photo(i), testsupport::MakeJpeg(spec));
        }
    }
    // Makes the photos and shows them in `columns` columns.
    void Show(int count, int columns, int width = 64, int height = 48) {
        MakePhotos(count, width, height);
        form->DrawGrid->SetColCount(columns);
        CommandsTestAccess::LoadFolder(*form, folder);
        ASSERT_EQ(Images()->Count(), count);
    }
    TStringList* Images() const { return Access::Images(*form); }
    QString& FileName() const { return CommandsTestAccess::FileName(*form); }
    QString FileCountPanel() const { return form->StatusBar->Panels()->Items(1)->Text(); }
    QStringList Shown() const { return Images()->ToQStringList(); }
    // Replaces every thumbnail with a marker, so that a thumbnail made again shows
    // (a new object may well take a freed one's address).
    struct Marker : TObject {};
    void MarkThumbnails() {
        for (int i = 0; i < Images()->Count(); ++i) {
            delete Images()->Objects(i);
            Images()->SetObject(i, new Marker);
        }
    }
    bool Remade(int i) const { return !dynamic_cast<Marker*>(Images()->Objects(i)); }
    void Select(int left, int top, int right, int bottom) {
        form->DrawGrid->SetSelection({left, top, right, bottom});
    }
};
