// The dialog seam: the scripted fake, the terminal backend and the Qt message boxes.
#include "platform/vcl/application.h"
#include "platform/vcl/dialog_backends.h"
#include "platform/vcl/scripted_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QCoreApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include "tests/support/child_process.h"
#include "tests/support/files.h"

#include <QFileInfo>

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

// Everything a TerminalDialogs wrote, and what it read from a given input.
struct Terminal {
    explicit Terminal(const char* input = nullptr) {
        out = std::tmpfile();
        if (input) {
            in = std::tmpfile();
            std::fputs(input, in);
            std::rewind(in);
        }
    }
    ~Terminal() {
        std::fclose(out);
        if (in) std::fclose(in);
    }
    QString Output() const { return testsupport::ReadStream(out); }
    std::FILE* out = nullptr;
    std::FILE* in = nullptr;
};

void PressEscape(QWidget* w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// Runs `act` on the modal box as soon as it is up (the box runs its own loop).
void OnModalBox(std::function<void(QMessageBox*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(box);
        }
    });
    timer->start();
}

// Runs `act` on the modal folder dialog as soon as it is up.
void OnFolderDialog(std::function<void(QFileDialog*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

}  // namespace

TEST(QtTranslations, TheStandardButtonsSpeakTheDesktopsLanguage) {
    struct Case {
        const char* locale;
        QString ok, cancel;
    };
    for (const Case& c : {Case{"de_DE", "OK", "Abbrechen"}, Case{"fr_FR", "OK", "Annuler"}}) {
        SCOPED_TRACE(c.locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        const std::unique_ptr<QTranslator> translator(InstallQtTranslations());
        ASSERT_TRUE(translator) << "qt6-translations-l10n is not installed (scripts/deps.sh)";
        QMessageBox box;
        EXPECT_EQ(box.addButton(QMessageBox::Ok)->text().remove(u'&'), c.ok);
        EXPECT_EQ(box.addButton(QMessageBox::Cancel)->text().remove(u'&'), c.cancel);
    }
    QLocale::setDefault(QLocale::system());
}

TEST(ScriptedDialogs, RecordsTheFolderBrowserAndTheTrashQuestion) {
    ScopedDialogs dialogs;
    dialogs->AnswerFolder("/photos/2024");
    dialogs->Answer(IDYES);
    EXPECT_EQ(Dialogs().BrowseForFolder(nullptr, "not a folder at all"), QString("/photos/2024"));
    EXPECT_TRUE(Dialogs().ConfirmTrash(nullptr, "Move 3 photos to the trash?", "Orlisk"));
    // The script is used up: the browser cancels and the question answers No.
    EXPECT_EQ(Dialogs().BrowseForFolder(nullptr, "/photos"), std::nullopt);
    EXPECT_FALSE(Dialogs().ConfirmTrash(nullptr, "Move a.jpg to the trash?", "Orlisk"));

    ASSERT_EQ(dialogs->boxes.size(), 4u);
    EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Folder);
    EXPECT_EQ(dialogs->boxes[0].text, "not a folder at all");
    EXPECT_EQ(dialogs->boxes[0].folder, "/photos/2024");
    EXPECT_EQ(dialogs->boxes[1].kind, ScriptedBox::Trash);
    EXPECT_EQ(dialogs->boxes[1].text, "Move 3 photos to the trash?");
    EXPECT_EQ(dialogs->boxes[1].caption, QString("Orlisk"));
    EXPECT_EQ(dialogs->boxes[1].answer, IDYES);
    EXPECT_EQ(dialogs->boxes[2].answer, IDCANCEL);
    EXPECT_EQ(dialogs->boxes[3].answer, IDNO);
}

TEST(ScriptedDialogs, RecordsEveryBoxAndAnswersFromTheScript) {
    ScopedDialogs dialogs;
    dialogs->Answer(IDYES);
    dialogs->Answer(IDOK, true);
    QWidget owner;

    EXPECT_EQ(MessageBoxW(&owner, "Image is read-only", QString(), MB_YESNO | MB_ICONWARNING), IDYES);
    const CheckedAnswer crop = Dialogs().CropDialog(nullptr, "may be cropped", "Don't ask again", "Orlisk");
    EXPECT_EQ(crop.answer, IDOK);
    EXPECT_TRUE(crop.checked);
    // The script is used up: every box gets its "no".
    EXPECT_EQ(MessageBoxW(nullptr, "q", std::nullopt, MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, "q", std::nullopt, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, "q", std::nullopt, MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, "failed", std::nullopt, MB_OK | MB_ICONERROR), IDOK);
    const CheckedAnswer second = Dialogs().CropDialog(nullptr, "again", "Don't ask again", "Orlisk");
    EXPECT_EQ(second.answer, IDCANCEL);
    EXPECT_FALSE(second.checked);

    ASSERT_EQ(dialogs->boxes.size(), 7u);
    const ScriptedBox& first = dialogs->boxes[0];
    EXPECT_EQ(first.kind, ScriptedBox::Message);
    EXPECT_EQ(first.owner, &owner);
    EXPECT_EQ(first.text, "Image is read-only");
    ASSERT_TRUE(first.caption.has_value());  // an empty caption is not a missing one
    EXPECT_TRUE(first.caption->isEmpty());
    EXPECT_EQ(first.type, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(first.answer, IDYES);

    const ScriptedBox& cropBox = dialogs->boxes[1];
    EXPECT_EQ(cropBox.kind, ScriptedBox::Crop);
    EXPECT_EQ(cropBox.caption, QString("Orlisk"));
    EXPECT_EQ(cropBox.checkBoxCaption, "Don't ask again");
    EXPECT_TRUE(cropBox.checked);
    EXPECT_EQ(cropBox.type, MB_OKCANCEL | MB_ICONWARNING);

    EXPECT_FALSE(dialogs->boxes[2].caption.has_value());
    EXPECT_EQ(dialogs->boxes[5].type, MB_OK | MB_ICONERROR);
}

TEST(ScriptedDialogs, OnBoxSeesTheBoxBeforeItAnswers) {
    ScopedDialogs dialogs;
    QStringList seen;
    dialogs->OnBox = [&](const ScriptedBox& box) { seen << box.text; };
    MessageBoxW(nullptr, "one", std::nullopt, MB_OK);
    Dialogs().CropDialog(nullptr, "two", "c", "t");
    EXPECT_EQ(seen, (QStringList{"one", "two"}));
}

TEST(ScriptedDialogs, ScopesNestAndRestoreThePreviousBackend) {
    ScopedDialogs outer;
    {
        ScopedDialogs inner;
        EXPECT_EQ(&Dialogs(), &*inner);
        MessageBoxW(nullptr, "inner", std::nullopt, MB_OK);
        EXPECT_EQ(inner->boxes.size(), 1u);
    }
    EXPECT_EQ(&Dialogs(), &*outer);
    MessageBoxW(nullptr, "outer", std::nullopt, MB_OK);
    ASSERT_EQ(outer->boxes.size(), 1u);
    EXPECT_EQ(outer->boxes[0].text, "outer");
}

TEST(TerminalDialogs, WithoutATerminalWritesTheBoxAndAnswersNo) {
    Terminal t;
    TerminalDialogs dialogs(t.out, nullptr, false);
    EXPECT_EQ(dialogs.MessageBox(nullptr, "Orlisk has detected 3 images.\r\n\r\nTransform?", QString("Orlisk"),
                                 MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(t.Output(), "Orlisk: Orlisk has detected 3 images.\n\nTransform? [y/N] (no terminal to answer: No)\n");
}

TEST(TerminalDialogs, CaptionOnlyWhenGivenAndNotEmpty) {
    Terminal t;
    TerminalDialogs dialogs(t.out, nullptr, false);
    EXPECT_EQ(dialogs.MessageBox(nullptr, "Cannot open \"x\".", std::nullopt, MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(dialogs.MessageBox(nullptr, "Read-only?", QString(), MB_YESNO | MB_ICONWARNING), IDNO);
    EXPECT_EQ(dialogs.MessageBox(nullptr, "Go?", QString("T"), MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(dialogs.MessageBox(nullptr, "Save?", QString("T"), MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(t.Output(),
              "Cannot open \"x\".\n"
              "Read-only? [y/N] (no terminal to answer: No)\n"
              "T: Go? [o/C] (no terminal to answer: Cancel)\n"
              "T: Save? [y/n/C] (no terminal to answer: Cancel)\n");
}

TEST(TerminalDialogs, CropDialogWithoutATerminalCancels) {
    Terminal t;
    TerminalDialogs dialogs(t.out, nullptr, false);
    const CheckedAnswer a = dialogs.CropDialog(nullptr, "The image a.jpg cannot be rotated fully lossless.",
                                               "Don't ask again", "Orlisk");
    EXPECT_EQ(a.answer, IDCANCEL);
    EXPECT_FALSE(a.checked);
    EXPECT_EQ(t.Output(),
              "Orlisk: The image a.jpg cannot be rotated fully lossless.\n"
              "(o: OK, a: OK and \"Don't ask again\", c: Cancel) [o/a/C] (no terminal to answer: Cancel)\n");
}

TEST(TerminalDialogs, ReadsTheAnswerFromTheTerminal) {
    {
        Terminal t("maybe\n  Yes\n");
        TerminalDialogs dialogs(t.out, t.in, true);
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Rotate?", QString("Orlisk"), MB_YESNO), IDYES);
        // Unknown input asks again.
        EXPECT_EQ(t.Output(), "Orlisk: Rotate? [y/N] [y/N] ");
    }
    {
        Terminal t("\n");  // an empty line takes the capital letter
        TerminalDialogs dialogs(t.out, t.in, true);
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Rotate?", std::nullopt, MB_YESNO), IDNO);
    }
    {
        Terminal t("");  // end of input too
        TerminalDialogs dialogs(t.out, t.in, true);
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Go?", std::nullopt, MB_OKCANCEL), IDCANCEL);
        EXPECT_EQ(t.Output(), "Go? [o/C] \n");
    }
    {
        Terminal t("o\n");
        TerminalDialogs dialogs(t.out, t.in, true);
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Go?", std::nullopt, MB_OKCANCEL), IDOK);
    }
    {
        Terminal t("A\no\nc\n");
        TerminalDialogs dialogs(t.out, t.in, true);
        const CheckedAnswer dontAsk = dialogs.CropDialog(nullptr, "crop?", "Don't ask again", "Orlisk");
        EXPECT_EQ(dontAsk.answer, IDOK);
        EXPECT_TRUE(dontAsk.checked);
        const CheckedAnswer ok = dialogs.CropDialog(nullptr, "crop?", "Don't ask again", "Orlisk");
        EXPECT_EQ(ok.answer, IDOK);
        EXPECT_FALSE(ok.checked);
        EXPECT_EQ(dialogs.CropDialog(nullptr, "crop?", "Don't ask again", "Orlisk").answer, IDCANCEL);
    }
}

TEST(TerminalDialogs, FolderBrowserReadsAPathOrCancels) {
    {
        Terminal t("/photos/new\n\n");
        TerminalDialogs dialogs(t.out, t.in, true);
        EXPECT_EQ(dialogs.BrowseForFolder(nullptr, "/photos"), QString("/photos/new"));
        // An empty line takes the folder offered.
        EXPECT_EQ(dialogs.BrowseForFolder(nullptr, "/photos"), QString("/photos"));
        // End of input cancels.
        EXPECT_EQ(dialogs.BrowseForFolder(nullptr, "/photos"), std::nullopt);
        EXPECT_EQ(t.Output(), "Folder [/photos]: Folder [/photos]: Folder [/photos]: \n");
    }
    {
        Terminal t;
        TerminalDialogs dialogs(t.out, nullptr, false);
        EXPECT_EQ(dialogs.BrowseForFolder(nullptr, "/photos"), std::nullopt);
        EXPECT_EQ(t.Output(), "Folder [/photos]: (no terminal to answer: Cancel)\n");
    }
}

TEST(TerminalDialogs, TrashQuestionIsAYesNoQuestion) {
    Terminal t("y\n");
    TerminalDialogs dialogs(t.out, t.in, true);
    EXPECT_TRUE(dialogs.ConfirmTrash(nullptr, "Move a.jpg to the trash?", "Orlisk"));
    EXPECT_FALSE(dialogs.ConfirmTrash(nullptr, "Move b.jpg to the trash?", "Orlisk"));
    EXPECT_EQ(t.Output(), "Orlisk: Move a.jpg to the trash? [y/N] Orlisk: Move b.jpg to the trash? [y/N] \n");
}

// The child half of the next test: a question through the backend the seam picks
// by itself, with stdin not a terminal.
ORLISK_TEST_CHILD(AskThroughTheDefaultBackend) {
    const int answer = MessageBoxW(GetDesktopWindow(), "Image \"/tmp/a.jpg\" is read-only.\r\nRotate it anyway?",
                                   QString("Orlisk"), MB_YESNO | MB_ICONWARNING);
    std::fflush(stderr);
    std::_Exit(answer);
}

TEST(DialogSeam, WithoutDisplayTheTerminalAnswersNoWhenStdinIsNoTerminal) {
    EXPECT_FALSE(HasDisplay());  // offscreen
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                testsupport::ChildArguments("AskThroughTheDefaultBackend"));
    ASSERT_TRUE(child.waitForStarted());
    child.closeWriteChannel();
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), IDNO);
    const QString err = QString::fromUtf8(child.readAllStandardError());
    EXPECT_TRUE(err.contains("Orlisk: Image \"/tmp/a.jpg\" is read-only.\nRotate it anyway? [y/N] "
                             "(no terminal to answer: No)\n"))
        << err.toStdString();
}

TEST(QtDialogs, YesNoBoxWithIconCaptionAndAnswer) {
    QtDialogs qt;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    OnModalBox([&](QMessageBox* box) {
        title = box->windowTitle();
        icon = box->icon();
        buttons = static_cast<int>(box->standardButtons());
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(qt.MessageBox(nullptr, "Image is read-only.", QString(), MB_YESNO | MB_ICONWARNING), IDYES);
    EXPECT_EQ(title, "");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, static_cast<int>(QMessageBox::Yes | QMessageBox::No));
}

TEST(QtDialogs, EscapeOnYesNoAnswersNo) {
    QtDialogs qt;
    OnModalBox([](QMessageBox* box) { PressEscape(box); });
    EXPECT_EQ(qt.MessageBox(nullptr, "Transform them now?", QString("Orlisk"), MB_YESNO | MB_ICONQUESTION), IDNO);
}

TEST(QtDialogs, MissingCaptionIsErrorOrTheApplicationTitle) {
    QtDialogs qt;
    QString errorTitle, infoTitle;
    OnModalBox([&](QMessageBox* box) {
        errorTitle = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(), "line 1\nline 2");
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(qt.MessageBox(nullptr, "line 1\r\nline 2", std::nullopt, MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(errorTitle, "Error");

    OnModalBox([&](QMessageBox* box) {
        infoTitle = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        box->button(QMessageBox::Ok)->click();
    });
    qt.MessageBox(nullptr, "nothing found", std::nullopt, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(infoTitle, Application()->Title());
}

TEST(QtDialogs, CropDialogWithItsCheckBox) {
    QtDialogs qt;
    OnModalBox([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Orlisk");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
        ASSERT_NE(box->checkBox(), nullptr);
        EXPECT_EQ(box->checkBox()->text(), "Don't ask again");
        EXPECT_FALSE(box->checkBox()->isChecked());
        EXPECT_GE(box->height(), 150);
        box->checkBox()->setChecked(true);
        box->button(QMessageBox::Ok)->click();
    });
    const CheckedAnswer a = qt.CropDialog(nullptr, "The image a.jpg cannot be rotated fully lossless.",
                                          "Don't ask again", "Orlisk");
    EXPECT_EQ(a.answer, IDOK);
    EXPECT_TRUE(a.checked);

    OnModalBox([](QMessageBox* box) { PressEscape(box); });
    EXPECT_EQ(qt.CropDialog(nullptr, "again", "Don't ask again", "Orlisk").answer, IDCANCEL);
}

TEST(QtDialogs, FolderBrowserOpensOnTheInitialFolderAndReturnsTheChoice) {
    testsupport::TempDir dir;
    QtDialogs qt;
    OnFolderDialog([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly));
        EXPECT_EQ(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(),
                  QFileInfo(dir.Path()).canonicalFilePath());
        QMetaObject::invokeMethod(dialog, "accept");  // what its Choose button does
    });
    const std::optional<QString> chosen = qt.BrowseForFolder(nullptr, dir.Path());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(dir.Path()).canonicalFilePath());

    OnFolderDialog([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(qt.BrowseForFolder(nullptr, dir.Path()), std::nullopt);
}

TEST(QtDialogs, TrashQuestionDefaultsToYes) {
    QtDialogs qt;
    OnModalBox([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Orlisk");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(qt.ConfirmTrash(nullptr, "Move a.jpg to the trash?", "Orlisk"));
    OnModalBox([](QMessageBox* box) { PressEscape(box); });
    EXPECT_FALSE(qt.ConfirmTrash(nullptr, "Move a.jpg to the trash?", "Orlisk"));
}
