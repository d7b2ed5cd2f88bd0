// Translating the live main window from language files, and the shipped English file.

#include "mainwindow_fixture.h"

#include "platform/vcl/actions.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "translation/lang.h"

#include <QFile>
#include <QMetaProperty>
#include <QStringDecoder>
#include <QToolButton>
#include <set>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class TranslationTest : public MainWindowTest {
protected:
    // Writes a language file and applies it to the window.
    void Apply(const QByteArray& text) {
        const QString path = dir.File(QStringLiteral("test.lng"));
        WriteFile(path, text);
        form->Language->SetLanguageFile(path);
        form->Language->Translate();
    }
    TempDir dir;
};

// A file of the source tree.
QString SourceFile(const char* relative) {
    return testsupport::SourceDir() + u'/' + QString::fromLatin1(relative);
}

// The entries of one section of a language file, by the file format's rules (lines
// trimmed, ";" comments, cut at the first "=").
QStringList SectionNames(const QByteArray& bytes, const QString& section) {
    QStringList names;
    bool inside = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inside = line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inside && line.contains(u'=')) names << line.left(line.indexOf(u'=')).trimmed();
    }
    return names;
}

}  // namespace

TEST_F(TranslationTest, AnActionsCaptionReachesItsButtonAndMenuItem) {
    Apply("[Translations]\nFormOrlisk.ActionOpen.Caption=Bild zeigen\n"
          "FormOrlisk.ActionOpen.Hint=Taste\n"
          "FormOrlisk.tbAuto.Hint=Alles aufrichten\n");
    EXPECT_EQ(form->ActionOpen->Caption(), "Bild zeigen");
    EXPECT_EQ(form->tbViewImage->Caption(), "Bild zeigen");
    EXPECT_EQ(form->pmiName->Caption(), "Bild zeigen");
    EXPECT_EQ(form->tbViewImage->Hint(), "Taste");
    EXPECT_EQ(form->tbAuto->Hint(), "Alles aufrichten");
    // Untouched keys keep the stored texts.
    EXPECT_EQ(form->ActionRotateLeft->Caption(), "Rotate Left");
}

TEST_F(TranslationTest, ALongerCaptionWidensEveryToolbarButton) {
    const int before = form->tbAuto->Button()->width();
    Apply("[Translations]\nFormOrlisk.ActionOpen.Caption=Bild in voller Aufloesung zeigen\n");
    const QToolButton* view = form->tbViewImage->Button();
    EXPECT_GT(view->width(), before);
    EXPECT_GE(view->width(), view->fontMetrics().horizontalAdvance(view->text()) + 8);
    EXPECT_EQ(form->tbAuto->Button()->width(), view->width()) << "all buttons alike";
}

TEST_F(TranslationTest, NamesMatchWithoutRegardToCase) {
    // The file's entry in small letters finds the registered key...
    Apply("[translations]\nformorlisk.btnbrowse.caption=Durchsuchen...\n");
    EXPECT_EQ(form->btnBrowse->Caption(), "Durchsuchen...");
    // ...and a key registered in small letters finds the components.
    form->Language->Properties()->Add(QStringLiteral("formorlisk.pmirefresh.caption"));
    Apply("[Translations]\nFormOrlisk.pmiRefresh.Caption=Neu laden\n");
    EXPECT_EQ(form->pmiRefresh->Caption(), "Neu laden");
}

TEST_F(TranslationTest, BlanksAroundTheDotsDoNotCountWhenThePathIsResolved) {
    form->Language->Properties()->Add(QStringLiteral("FormOrlisk . cbSubFolders . Caption"));
    Apply("[Translations]\nFormOrlisk . cbSubFolders . Caption=Unterordner\n");
    EXPECT_EQ(form->cbSubFolders->Caption(), "Unterordner");
}

TEST_F(TranslationTest, MissingComponentsAndEmptyValuesChangeNothing) {
    form->Language->Properties()->Add(QStringLiteral("FormOrlisk.NoSuchButton.Caption"));
    form->Language->Properties()->Add(QStringLiteral("FormOrlisk.ActionDelete.NoSuchProperty"));
    Apply("[Translations]\nFormOrlisk.NoSuchButton.Caption=x\n"
          "FormOrlisk.ActionDelete.NoSuchProperty=y\n"
          "FormOrlisk.ActionRotateLeft.Caption=\n"
          "FormOrlisk.Caption=Kein Titel\n");
    EXPECT_EQ(form->ActionDelete->Caption(), "Delete");
    EXPECT_EQ(form->ActionRotateLeft->Caption(), "Rotate Left");
    EXPECT_EQ(form->tbRotateLeft->Caption(), "Rotate Left");
    // No registered key addresses the title.
    EXPECT_EQ(form->Caption(), "Orlisk");
}

TEST_F(TranslationTest, TheEnglishFileReproducesTheStoredTexts) {
    // Read every property the 36 keys address, apply the shipped file, compare.
    const TStringList* keys = form->Language->Properties();
    auto read = [&](const QString& key) {
        const QStringList parts = key.split(u'.');
        TComponent* c = form->FindComponent(parts[1]);
        EXPECT_NE(c, nullptr) << key.toStdString();
        if (!c) return QString();
        return c->property(parts[2].toLatin1().constData()).toString();
    };
    QStringList before;
    for (int i = 0; i < keys->Count(); ++i) before << read(keys->Strings(i));
    form->Language->SetLanguageFile(SourceFile("lang/english.lng"));
    form->Language->Translate();
    for (int i = 0; i < keys->Count(); ++i)
        EXPECT_EQ(read(keys->Strings(i)), before[i]) << keys->Strings(i).toStdString();
    EXPECT_EQ(form->Caption(), "Orlisk");
}

TEST(EnglishFile, ListsEveryKeyAndEveryMessageOnce) {
    QFile file(SourceFile("lang/english.lng"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Strict UTF-8, or the translator would find no entries at all.
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(bytes);
    EXPECT_FALSE(decoder.hasError());

    const QStringList translations = SectionNames(bytes, QStringLiteral("Translations"));
    const std::set<QString> keys(translations.begin(), translations.end());
    EXPECT_EQ(keys.size(), size_t(translations.size())) << "a key is listed twice";
    EXPECT_EQ(translations.size(), 36 + 3 + 2);
    {
        testsupport::TempHome home;  // the window saves its settings when it goes
        Application()->SetTitle(QStringLiteral("Orlisk"));
        TFormOrlisk form(Application());
        const TStringList* registered = form.Language->Properties();
        for (int i = 0; i < registered->Count(); ++i)
            EXPECT_TRUE(keys.count(registered->Strings(i))) << registered->Strings(i).toStdString();
    }
    for (const char* key : {"ThumbForm.Caption", "ThumbForm.btnOk.Caption",
                            "ThumbForm.btnCancel.Caption", "FormExif.Caption",
                            "FormExif.btnOk.Caption"})
        EXPECT_TRUE(keys.count(QString::fromLatin1(key))) << key;

    // Each message of the program, as the program passes it.
    const char* const messages[] = {
        "file(s)",
        "Add Current Folder",
        "Creating thumbnails, please wait...",
        "Cancel",
        "Warning! Unable to read some images.",
        "Cannot open \"%s\". The file or folder has been moved or deleted.",
        "Do you want to move \"%s\" to the trash?",
        "Do you want to move these %u photos to the trash?",
        "These photos could not be moved to the trash and stay where they are:",
        "Unable to open \"%s\".",
        "About",
        "Version",
        "%s has detected %u images that can be automatically transformed to normal "
        "orientation.",
        "Would you like to transform them now?",
        "%s has not detected any images that can be transformed automatically.",
        "Transformation is in progress...",
        "The image %s cannot be rotated fully lossless. Image may be cropped by up to 15 "
        "pixels for lossless rotation. Do you want to rotate it anyway?",
        "Don't ask again",
        "Image \"%s\" is read-only. Do you want to rotate it anyway?",
        "Unable to rotate the image",
        "Tag",
        "Value",
        "This file does not contain EXIF data.",
        "Invalid command line parameters (should be orlisk.exe -[r|l|u|v|h] [-s] filename)",
        "Cannot open \"%s\". Invalid folder.",
        "Cannot open \"%s\". The file has been moved or deleted.",
    };
    const QStringList listed = SectionNames(bytes, QStringLiteral("Messages"));
    EXPECT_EQ(listed.size(), int(std::size(messages)));
    TLanguage language(nullptr);
    language.SetLanguageFile(file.fileName());
    for (const char* m : messages) {
        const QString message = QString::fromUtf8(m);
        EXPECT_TRUE(listed.contains(message)) << m;
        // The English file translates each message to itself.
        EXPECT_EQ(language.TranslateUserMessage(message), message);
    }
}
