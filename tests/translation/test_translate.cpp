// Form translation on component trees made here: the application object owning a
// form, the form owning its controls and its translator.
#include "platform/system/exceptions.h"
#include "platform/vcl/application.h"
#include "tests/support/files.h"
#include "tests/translation/test_components.h"
#include "translation/lang.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class TranslateTest : public ::testing::Test {
protected:
    TranslateTest() {
        Application()->SetTitle("designed");
        form = new TTestForm(Application(), "FormMain");
        button = new TTestControl(form, "Button1");
        list = new TTestControl(form, "ListBox1");
        lang = new TLanguage(form);
        lang->SetName("Language");
    }
    ~TranslateTest() override { FreeApplication(); }

    // Registers the keys, writes "[Translations]" with the given lines and translates.
    void Translate(const QStringList& keys, const QByteArray& lines) {
        for (const QString& k : keys) lang->Properties()->Add(k);
        WriteFile(path, "[Translations]\n" + lines);
        lang->SetLanguageFile(path);
        lang->Translate();
    }
    // Translates one key of Button1 afresh.
    void TranslateButton(const QString& property, const QByteArray& value) {
        lang->Properties()->Clear();
        const QByteArray key = "FormMain.Button1." + property.toUtf8();
        Translate({QString::fromUtf8(key)}, key + "=" + value + "\n");
    }

    TempDir dir;
    QString path = dir.File("de.lng");
    TTestForm* form;
    TTestControl* button;
    TTestControl* list;
    TLanguage* lang;
};

TEST_F(TranslateTest, SetsThePropertiesOfRegisteredKeys) {
    Translate({"FormMain.Button1.Caption", "FormMain.Button1.Hint", "FormMain.Caption",
               "FormMain.Extra", "Title"},
              "FormMain.Button1.Caption=&Öffnen\n"
              "FormMain.Button1.Hint=Öffnet einen Ordner\n"
              "FormMain.Caption=Hauptfenster\n"
              "FormMain.Extra=Mehr\n"
              "Title=Orlisk DE\n");
    EXPECT_EQ(button->Caption(), "&Öffnen");
    EXPECT_EQ(button->Hint(), "Öffnet einen Ordner");
    EXPECT_EQ(form->Caption(), "Hauptfenster");  // two segments: the form itself
    EXPECT_EQ(form->Extra(), "Mehr");
    EXPECT_EQ(Application()->Title(), "Orlisk DE");         // one segment: the application object
    EXPECT_EQ(list->Caption(), "designed");
}

TEST_F(TranslateTest, NamesIgnoreCaseInFileAndTree) {
    Translate({"formmain.BUTTON1.caption", "FormMain.Button1.hInT"},
              "FORMMAIN.button1.CAPTION=Eins\n"
              "formmain.button1.hint=Zwei\n");
    EXPECT_EQ(button->Caption(), "Eins");
    EXPECT_EQ(button->Hint(), "Zwei");
}

TEST_F(TranslateTest, ComponentNamesCompareByTheAsciiRule) {
    auto* apfel = new TTestControl(form, QString::fromUtf8("Äpfel"));
    Translate({QString::fromUtf8("FormMain.äPFEL.Caption")},
              QByteArray("FormMain.\xC3\xA4PFEL.Caption=klein\n"));
    EXPECT_EQ(apfel->Caption(), "designed");  // "ä" is not upper-cased for the tree
    lang->Properties()->Clear();
    Translate({QString::fromUtf8("formmain.Äpfel.caption")},
              QByteArray("FormMain.\xC3\x84pfel.Caption=gross\n"));
    EXPECT_EQ(apfel->Caption(), "gross");
}

TEST_F(TranslateTest, FirstOwnedMatchWinsAndEmptySegmentFindsUnnamed) {
    auto* first = new TTestControl(form, "Dup");
    auto* second = new TTestControl(form, "DUP");
    auto* unnamed = new TTestControl(form, "");
    Translate({"FormMain.dup.Caption", "FormMain..Caption"},
              "FormMain.dup.Caption=Erster\nFormMain..Caption=Namenlos\n");
    EXPECT_EQ(first->Caption(), "Erster");
    EXPECT_EQ(second->Caption(), "designed");
    EXPECT_EQ(unnamed->Caption(), "Namenlos");
}

TEST_F(TranslateTest, BlanksAroundDotsResolveButFileIsSearchedAsRegistered) {
    Translate({"FormMain . Button1 .\tCaption", " FormMain.Button1.Hint"},
              "FormMain . Button1 .\tCaption=Mit Leerzeichen\n"
              "FormMain.Button1.Hint=nie\n");
    EXPECT_EQ(button->Caption(), "Mit Leerzeichen");
    EXPECT_EQ(button->Hint(), "");  // a key with a blank at its end finds no entry
}

TEST_F(TranslateTest, UnresolvedKeysAndEmptyValuesChangeNothing) {
    auto* other = new TTestForm(Application(), "OtherForm");
    TTestForm orphan(nullptr, "Orphan");  // not the application's: not reachable
    Translate({"Orphan.Caption", "NoForm.Button1.Caption", "FormMain.NoButton.Caption",
               "FormMain.Button1.NoProp", "FormMain.Button1.Font.Name",
               "FormMain.Button1.Caption", "FormMain.Button1.Hint", "OtherForm.Button1.Caption",
               "NoProp", "FormMain.Button1."},
              "Orphan.Caption=x\nNoForm.Button1.Caption=x\nFormMain.NoButton.Caption=x\n"
              "FormMain.Button1.NoProp=x\nFormMain.Button1.Font.Name=x\n"
              "FormMain.Button1.Caption=\n"  // empty value
              "OtherForm.Button1.Caption=x\nNoProp=x\nFormMain.Button1.=x\n");
    EXPECT_EQ(button->Caption(), "designed");
    EXPECT_EQ(button->Hint(), "");
    EXPECT_EQ(button->captionWrites, 0);
    EXPECT_EQ(other->Caption(), "designed");
    EXPECT_EQ(orphan.Caption(), "designed");
    EXPECT_EQ(Application()->Title(), "designed");
}

TEST_F(TranslateTest, BlankKeysSkippedAndDuplicateKeysAppliedTwice) {
    QStringList seen;
    lang->OnTranslate = [&](QObject*, TComponent*, const QString& prop, const QString&,
                            QString&) { seen << prop; };
    Translate({"", "  ", "\t", "FormMain.Button1.Caption", "FormMain.Button1.Caption"},
              "=nameless\nFormMain.Button1.Caption=Zweimal\n");
    EXPECT_EQ(seen, QStringList({"Caption", "Caption"}));
    EXPECT_EQ(button->captionWrites, 2);
    EXPECT_EQ(button->Caption(), "Zweimal");
}

TEST_F(TranslateTest, IntegerProperties) {
    TranslateButton("Width", "12");
    EXPECT_EQ(button->Width(), 12);
    TranslateButton("Width", "$1F");
    EXPECT_EQ(button->Width(), 31);
    lang->OnTranslate = [](QObject*, TComponent*, const QString&, const QString&, QString& v) {
        v = " -0x10";  // leading blanks only come from a handler: the file's are trimmed
    };
    TranslateButton("Width", "0");
    EXPECT_EQ(button->Width(), -16);
    lang->OnTranslate = nullptr;
    TranslateButton("Width", "x7fffffff");
    EXPECT_EQ(button->Width(), 2147483647);
    TranslateButton("Width", "-2147483648");
    EXPECT_EQ(button->Width(), -2147483647 - 1);
    TranslateButton("Width", "+0XfF");
    EXPECT_EQ(button->Width(), 255);
    TranslateButton("Color", "$FFFFFFFF");  // all 32 bits of an unsigned property
    EXPECT_EQ(button->Color(), 0xFFFFFFFFu);
    TranslateButton("tag", "$10");  // inherited from the component
    EXPECT_EQ(button->Tag(), 16);

    // The texts come through a handler, so that blanks at their ends stay.
    QString text;
    lang->OnTranslate = [&](QObject*, TComponent*, const QString&, const QString&, QString& v) {
        v = text;
    };
    for (const char* bad : {"abc", "2147483648", "$100000000", "12 ", " ", "$", "0x", "1e3",
                            "--1", "$-1", "\t1", "\xEF\xBC\x91"}) {
        SCOPED_TRACE(bad);
        text = QString::fromUtf8(bad);
        try {
            TranslateButton("Width", "1");
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "''" + text + "'' is not a valid integer value");
        }
        EXPECT_EQ(button->Width(), 255);
    }
}

TEST_F(TranslateTest, AnErrorEndsTheLoopWithEarlierKeysApplied) {
    EXPECT_THROW(Translate({"FormMain.Button1.Caption", "FormMain.Button1.Width",
                            "FormMain.Button1.Hint"},
                           "FormMain.Button1.Caption=Vorher\n"
                           "FormMain.Button1.Width=abc\n"
                           "FormMain.Button1.Hint=Nachher\n"),
                 EConvertError);
    EXPECT_EQ(button->Caption(), "Vorher");
    EXPECT_EQ(button->Width(), 100);
    EXPECT_EQ(button->Hint(), "");

    // A setter's own error propagates the same way.
    lang->Properties()->Clear();
    try {
        Translate({"FormMain.Button1.Strict", "FormMain.Button1.Hint"},
                  "FormMain.Button1.Strict=nein\nFormMain.Button1.Hint=Nachher\n");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "refused: nein");
    }
    EXPECT_EQ(button->Hint(), "");
}

TEST_F(TranslateTest, OtherKindsKeepTheirValue) {
    TranslateButton("Ratio", "2.5");
    EXPECT_EQ(button->Ratio(), 1.5);
    TranslateButton("objectName", "renamed");  // QObject's own string property
    EXPECT_EQ(button->objectName(), "renamed");
}

TEST_F(TranslateTest, ListPropertyItems) {
    // The separator as constructed is empty: one item, the whole trimmed value.
    Translate({"FormMain.ListBox1.Items"}, "FormMain.ListBox1.Items= eins, zwei,,drei, \n");
    EXPECT_EQ(list->Items(), QStringList({"eins, zwei,,drei,"}));

    lang->SetSeparator(" \t\r\n");  // nothing but blanks: ","
    EXPECT_EQ(lang->Separator(), ",");
    Translate({}, "FormMain.ListBox1.Items=eins , zwei,, drei,\n");
    EXPECT_EQ(list->Items(), QStringList({"eins", "zwei", "", "drei"}));

    lang->SetSeparator(" ; ");  // kept untrimmed
    EXPECT_EQ(lang->Separator(), " ; ");
    Translate({}, "FormMain.ListBox1.Items=a ; b;c ;  ; d\n");
    EXPECT_EQ(list->Items(), QStringList({"a", "b;c", "", "d"}));

    lang->SetSeparator("AB");  // case-sensitive
    Translate({}, "FormMain.ListBox1.Items=1ab2AB3\n");
    EXPECT_EQ(list->Items(), QStringList({"1ab2", "3"}));
}

TEST_F(TranslateTest, OnTranslateSeesTheOldValueAndMayChangeTheNew) {
    struct Call {
        QObject* sender;
        TComponent* component;
        QString property, oldValue, newValue;
    };
    std::vector<Call> calls;
    lang->OnTranslate = [&](QObject* sender, TComponent* c, const QString& prop,
                            const QString& oldValue, QString& newValue) {
        calls.push_back({sender, c, prop, oldValue, newValue});
        if (prop == "caption") newValue = newValue.toUpper();
        if (prop == "Hint") newValue.clear();
    };
    button->SetHint("old hint");
    Translate({"FormMain.Button1.caption", "FormMain.Button1.Hint", "FormMain.Button1.Width",
               "FormMain.Button1.Missing", "FormMain.NoButton.Caption"},
              "FormMain.Button1.caption=öffnen\nFormMain.Button1.Hint=Neu\n"
              "FormMain.Button1.Width=7\nFormMain.Button1.Missing=m\n"
              "FormMain.NoButton.Caption=n\n");
    EXPECT_EQ(button->Caption(), "ÖFFNEN");
    EXPECT_EQ(button->Hint(), "");  // an emptied value is set as it is
    EXPECT_EQ(button->Width(), 7);
    ASSERT_EQ(calls.size(), 4u);  // raised for a missing property too, not for no component
    EXPECT_EQ(calls[0].sender, lang);
    EXPECT_EQ(calls[0].component, button);
    EXPECT_EQ(calls[0].oldValue, "designed");
    EXPECT_EQ(calls[0].newValue, "öffnen");
    EXPECT_EQ(calls[1].oldValue, "old hint");
    EXPECT_EQ(calls[2].oldValue, "");  // not a string property
    EXPECT_EQ(calls[3].property, "Missing");
    EXPECT_EQ(calls[3].oldValue, "");
}

TEST_F(TranslateTest, HandlerThatFreesTheComponentIsSurvived) {
    lang->OnTranslate = [&](QObject*, TComponent* c, const QString&, const QString&, QString&) {
        if (c == list) {
            delete list;
            list = nullptr;
        }
    };
    Translate({"FormMain.ListBox1.Caption", "FormMain.Button1.Caption"},
              "FormMain.ListBox1.Caption=weg\nFormMain.Button1.Caption=da\n");
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(button->Caption(), "da");
}

TEST_F(TranslateTest, NoFileOrNoSectionChangesNothing) {
    lang->Properties()->Add("FormMain.Button1.Caption");
    lang->Translate();  // empty LanguageFile
    WriteFile(path, "[Messages]\nFormMain.Button1.Caption=x\n");
    lang->SetLanguageFile(path);
    lang->Translate();
    EXPECT_EQ(button->Caption(), "designed");
    EXPECT_EQ(button->captionWrites, 0);
}

TEST_F(TranslateTest, FileThatCannotBeOpenedRaisesAndTranslatesNothing) {
    if (geteuid() == 0) GTEST_SKIP() << "runs as root";
    WriteFile(path, "[Translations]\nFormMain.Button1.Caption=x\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    lang->Properties()->Add("FormMain.Button1.Caption");
    lang->SetLanguageFile(path);
    EXPECT_THROW(lang->Translate(), EFOpenError);
    EXPECT_EQ(button->Caption(), "designed");
}

}  // namespace
