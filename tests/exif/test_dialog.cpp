// The property dialog and its listing, on photos the tests make, with real widgets
// offscreen and scripted message boxes.
#include "exif/exif_display.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/vcl/application.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/listview.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls.h"
#include "tests/exif/exif_values.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"
#include "translation/lang.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <functional>

using namespace testsupport;

namespace {

class TTestMainForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

struct Row {
    QString label, value;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r) {
        return os << r.label.toStdString() << " = " << r.value.toStdString();
    }
};

std::vector<Row> Rows(TListView* list) {
    std::vector<Row> rows;
    for (int i = 0; i < list->Items()->Count(); ++i) {
        TListItem* item = list->Items()->Item(i);
        rows.push_back({item->Caption(), item->SubItems()->Count() == 1
                                             ? item->SubItems()->Strings(0)
                                             : QStringLiteral("<%1 sub-items>")
                                                   .arg(item->SubItems()->Count())});
    }
    return rows;
}

std::vector<Row> ListFile(const QString& path) {
    TForm form(nullptr);
    auto* list = new TListView(&form);
    TGPImage image(path);
    ListExifProperties(image, *list);
    return Rows(list);
}

QString WritePhoto(const TempDir& dir, const QString& name, const QByteArray& tiff) {
    JpegSpec spec;
    spec.segments.push_back({0xE1, ExifPayload(tiff)});
    const QString path = dir.File(name);
    WriteFile(path, MakeJpeg(spec));
    return path;
}

// A photo with known tags in every directory and unknown ones between them.
QByteArray CameraTiff() {
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    const int gps = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    t.Short(ifd0, 0x0112, 6);
    t.Rational(ifd0, 0x011A, 72, 1);
    t.Ascii(ifd0, 0x0131, "Editor 1.0");  // software: not known
    t.PointTo(ifd0, 0x8769, exif);
    t.PointTo(ifd0, 0x8825, gps);
    t.Link(ifd0, ifd1);
    t.Rational(exif, 0x829A, 1, 250);
    t.Rational(exif, 0x829D, 28, 10);
    t.Short(exif, 0x9209, 16);
    t.SRational(exif, 0x9204, -1, 3);
    t.Raw(exif, 0x927C, 7, 8, "MAKERNOT");
    t.Rational(exif, 0xA404, 1, 1);
    t.Rational(exif, 0x9206, 0, 0);  // unknown distance: no division
    t.Short(gps, 0x0001, 0);
    t.Short(ifd1, 0x0103, 6);
    t.Short(ifd1, 0x0112, 6);
    return t.Build();
}

// Runs `f` on the dialog once its modal loop runs; nullptr when none is open.
void WhenDialogOpens(std::function<void(TForm*)> f) {
    QTimer::singleShot(0, [f = std::move(f)] {
        TForm* dialog = FindWindowByClassName(QStringLiteral("TFormExif"));
        if (dialog && dialog->Visible()) f(dialog);
        else if (dialog) f(nullptr);
    });
}

}  // namespace

TEST(ExifListing, OneRowPerKnownTagInTheImagesOrder) {
    TempDir dir;
    const QString path = WritePhoto(dir, "cam.jpg", CameraTiff());
    const std::vector<Row> expected = {
        {"Digicam manufacturer", "TestCam"},
        {"Orientation of the camera", "Right-hand side/top (Rotate 90 CW)"},
        {"X-Resolution", "72"},
        {"Exposure time (sec)", "1/250"},
        {"F-number", "2.8"},
        {"Flash", "Flash did not fire, compulsory flash mode"},
        {"Exposure bias value (Exposure compensation)", "-0.333333333333333"},
        {"Distance to focus point (m)", "N/A"},
    };
    // The file's own order, which here is not the tags' order: nothing is sorted.
    {
        exif_test::ScopedNumericLocale locale("C");
        EXPECT_EQ(ListFile(path), expected);
    }
    // Decimals in the user's locale.
    exif_test::ScopedNumericLocale german("de_DE.UTF-8");
    if (german.Ok()) {
        EXPECT_EQ(ListFile(path)[4].value, "2,8");
        EXPECT_EQ(ListFile(path)[6].value, "-0,333333333333333");
    }
}

TEST(ExifListing, ARepeatedTagGivesARowEachTime) {
    TempDir dir;
    const QString path = dir.File("twice.jpg");
    // Orientation in IFD0 and in the Exif IFD; the IFD1 one is a thumbnail tag.
    JpegSpec spec;
    spec.segments.push_back({0xE1, ExifPayload(StandardExif(8, /*bigEndian=*/true, 7))});
    WriteFile(path, MakeJpeg(spec));
    int orientationRows = 0;
    for (const Row& r : ListFile(path))
        if (r.label == "Orientation of the camera") {
            EXPECT_EQ(r.value, "Left-hand side/bottom (Rotate 90 CCW)");
            ++orientationRows;
        }
    EXPECT_EQ(orientationRows, 2);
}

TEST(ExifDialog, ShowsTheRowsWithOneImageCentredOverTheMainWindow) {
    TempDir dir;
    const QString path = WritePhoto(dir, "cam.jpg", CameraTiff());
    ScopedDialogs dialogs;
    auto* main = Application()->CreateForm<TTestMainForm>();
    main->SetBounds(100, 80, 800, 600);
    main->Show();

    bool seen = false;
    WhenDialogOpens([&](TForm* dialog) {
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_EQ(dialog->Name(), "FormExif");
        EXPECT_EQ(dialog->Owner(), Application());
        EXPECT_EQ(dialog->Caption(), "EXIF Properties");
        EXPECT_GE(dialog->ClientWidth(), 418);
        EXPECT_EQ(dialog->ClientHeight(), 427);
        EXPECT_EQ(dialog->BorderStyle(), bsDialog);
        const QPoint centre = dialog->Handle()->frameGeometry().center();
        const QPoint mainCentre = main->Handle()->frameGeometry().center();
        EXPECT_LE((centre - mainCentre).manhattanLength(), 2);

        auto* list = qobject_cast<TListView*>(dialog->FindComponent("ListView"));
        auto* images = qobject_cast<TImageList*>(dialog->FindComponent("ImageList"));
        auto* ok = qobject_cast<TButton*>(dialog->FindComponent("btnOk"));
        ASSERT_TRUE(list && images && ok);
        EXPECT_EQ(list->Tree()->headerItem()->text(0), "Tag");
        EXPECT_EQ(list->Tree()->headerItem()->text(1), "Value");
        // The columns are as designed or wider, so that every label and value shows
        // whole (after the row's image in the first), and the list and the dialog
        // with them; the button stays in the middle.
        EXPECT_GE(list->Tree()->columnWidth(0), 150);
        EXPECT_GE(list->Tree()->columnWidth(1), 200);
        const QFontMetrics metrics = list->Tree()->fontMetrics();
        for (int i = 0; i < list->Items()->Count(); ++i) {
            TListItem* row = list->Items()->Item(i);
            EXPECT_LT(16 + metrics.horizontalAdvance(row->Caption()), list->Tree()->columnWidth(0))
                << row->Caption().toStdString();
            EXPECT_LT(metrics.horizontalAdvance(row->SubItems()->Strings(0)), list->Tree()->columnWidth(1))
                << row->SubItems()->Strings(0).toStdString();
        }
        EXPECT_GE(list->Width(), list->Tree()->columnWidth(0) + list->Tree()->columnWidth(1));
        EXPECT_EQ(dialog->ClientWidth(), list->Left() + list->Width() + 10);
        EXPECT_EQ(ok->Left(), (dialog->ClientWidth() - ok->Width()) / 2);
        EXPECT_EQ(list->Items()->Count(), 8);
        ASSERT_EQ(images->Count(), 1);
        EXPECT_EQ(images->Image(0).size(), QSize(16, 16));
        for (int i = 0; i < list->Items()->Count(); ++i) {
            EXPECT_EQ(list->Items()->Item(i)->ImageIndex(), 0);
            EXPECT_FALSE(list->Tree()->topLevelItem(i)->icon(0).isNull());
        }
        EXPECT_TRUE(list->ReadOnly());
        EXPECT_TRUE(list->RowSelect());
        EXPECT_EQ(ok->Caption(), "&OK");
        EXPECT_TRUE(ok->Cancel());
        EXPECT_FALSE(ok->Default());
        EXPECT_EQ(list->TabOrder(), 0);
        EXPECT_EQ(ok->TabOrder(), 1);
        // Enter is not the OK button's key; Esc is.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog->Handle(), &enter);
        EXPECT_TRUE(dialog->Visible());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog->Handle(), &esc);
    });
    ShowExifProperties(path, nullptr);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(dialogs->boxes.empty());
    // Released: gone once the message loop runs again.
    EXPECT_TRUE(FindWindowByClassName("TFormExif"));
    Application()->ProcessMessages();
    EXPECT_FALSE(FindWindowByClassName("TFormExif"));
    delete main;
}

TEST(ExifDialog, NoKnownPropertyShowsTheNoticeOnceAndNoDialog) {
    TempDir dir;
    TiffBuilder onlyUnknown;
    const int ifd0 = onlyUnknown.AddIfd();
    const int ifd1 = onlyUnknown.AddIfd();
    onlyUnknown.Ascii(ifd0, 0x0131, "Editor");
    onlyUnknown.Link(ifd0, ifd1);
    onlyUnknown.Short(ifd1, 0x0112, 6);
    onlyUnknown.Thumbnail(ifd1, MakeJpeg(JpegSpec{}));
    JpegSpec plain;
    WriteFile(dir.File("plain.jpg"), MakeJpeg(plain));
    WriteFile(dir.File("text.jpg"), "not a photo at all");
    WriteFile(dir.File("cut.jpg"), MakeJpeg(plain).left(2));
    const QStringList files = {dir.File("plain.jpg"), WritePhoto(dir, "unknown.jpg", onlyUnknown.Build()),
                               dir.File("text.jpg"), dir.File("cut.jpg")};
    for (const QString& file : files) {
        ScopedDialogs dialogs;
        bool opened = false;
        WhenDialogOpens([&](TForm* dialog) { opened = dialog != nullptr; });
        ShowExifProperties(file, nullptr);
        Application()->ProcessMessages();
        EXPECT_FALSE(opened) << file.toStdString();
        ASSERT_EQ(dialogs->boxes.size(), 1u) << file.toStdString();
        const ScriptedBox& box = dialogs->boxes[0];
        EXPECT_EQ(box.text, "This file does not contain EXIF data.");
        EXPECT_FALSE(box.caption.has_value());
        EXPECT_EQ(box.type, unsigned{MB_OK | MB_ICONINFORMATION});
        EXPECT_NE(box.owner, nullptr);  // the dialog's own window, not shown
        EXPECT_FALSE(FindWindowByClassName("TFormExif"));
    }
}

TEST(ExifDialog, SpeaksTheMainWindowsLanguageWithEnglishLabels) {
    TempDir dir;
    const QString path = WritePhoto(dir, "cam.jpg", CameraTiff());
    const QString lng = dir.File("deutsch.lng");
    WriteFile(lng,
              "[Translations]\n"
              "FormExif.Caption=EXIF-Eigenschaften\n"
              "FormExif.btnOk.Caption=&Gut\n"
              "[Messages]\n"
              "Tag=Eigenschaft\n"
              "Value=Wert\n"
              "This file does not contain EXIF data.=Diese Datei enthält keine EXIF-Daten.\n");
    TLanguage mainLanguage(nullptr);
    mainLanguage.SetLanguageFile(lng);

    ScopedDialogs dialogs;
    bool seen = false;
    WhenDialogOpens([&](TForm* dialog) {
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_EQ(dialog->Caption(), "EXIF-Eigenschaften");
        auto* list = qobject_cast<TListView*>(dialog->FindComponent("ListView"));
        auto* ok = qobject_cast<TButton*>(dialog->FindComponent("btnOk"));
        EXPECT_EQ(ok->Caption(), "&Gut");
        EXPECT_EQ(list->Tree()->headerItem()->text(0), "Eigenschaft");
        EXPECT_EQ(list->Tree()->headerItem()->text(1), "Wert");
        EXPECT_EQ(list->Items()->Item(0)->Caption(), "Digicam manufacturer");
        EXPECT_EQ(list->Items()->Item(5)->SubItems()->Strings(0),
                  "Flash did not fire, compulsory flash mode");
        ok->Click();
    });
    ShowExifProperties(path, &mainLanguage);
    EXPECT_TRUE(seen);
    Application()->ProcessMessages();

    WriteFile(dir.File("plain.jpg"), MakeJpeg(JpegSpec{}));
    ShowExifProperties(dir.File("plain.jpg"), &mainLanguage);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Diese Datei enthält keine EXIF-Daten.");
    Application()->ProcessMessages();
}

#include "test_dialog.moc"
