#pragma once
// The main window on real widgets offscreen, owned by the application object as in
// window mode (the translator finds it there by name), with scripted dialogs so that
// no box can wait for a user, and its settings in a temporary HOME.

#include "mainwindow/main.h"
#include "platform/system/stringlist.h"
#include "platform/vcl/application.h"
#include "platform/vcl/scripted_dialogs.h"
#include "tests/support/files.h"

#include <QApplication>
#include <QEventLoop>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

// The window's private parts that the tests look at.
struct TFormOrliskTestAccess {
    static TStringList* Images(TFormOrlisk& form) { return form.Images.get(); }
    static TStringList* Languages(TFormOrlisk& form) { return form.Languages.get(); }
    static TStringList* Mru(TFormOrlisk& form) { return form.Mru.get(); }
    static bool HasSelectedImage(const TFormOrlisk& form) { return form.HasSelectedImage(); }
    static void LoadLanguageMenuFrom(TFormOrlisk& form, const QString& folder) {
        form.LoadLanguageMenuFrom(folder);
    }
    static void SaveSettings(TFormOrlisk& form) { form.SaveSettings(); }
    // The settings go to the INI file `iniPath` as in portable mode.
    static void UsePortableStore(TFormOrlisk& form, const QString& iniPath) {
        form.OpenSettings = [iniPath] {
            return TFormOrlisk::OpenedSettings{std::make_unique<TIniFile>(iniPath), true};
        };
    }
    static void RebuildFavorites(TFormOrlisk& form) { form.RebuildFavoritesMenu(); }
    static QString RecentFolder(const TFormOrlisk& form) { return form.RecentFolder; }
    static TColor ForeColor(const TFormOrlisk& form) { return form.FForeColor; }
    static void SetCurrentFolder(TFormOrlisk& form, const QString& folder) {
        form.CurrentFolder = folder;
    }
    static QString CurrentFolder(const TFormOrlisk& form) { return form.CurrentFolder; }
    static std::vector<TMenuItem*> LanguageItems(const TFormOrlisk& form) {
        return form.LanguageItems();
    }
};
using Access = TFormOrliskTestAccess;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application()->SetTitle(QStringLiteral("Orlisk"));
        form = new TFormOrlisk(Application());
    }
    void TearDown() override {
        delete form;
        form = nullptr;
        EXPECT_TRUE(dialogs->boxes.empty()) << "unexpected box: "
                                            << dialogs->boxes.front().text.toStdString();
    }

    static void Pump() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QApplication::sendPostedEvents();
        }
    }

    // Before the window: it writes its settings when it goes.
    testsupport::TempHome home;
    ScopedDialogs dialogs;
    TFormOrlisk* form = nullptr;
};
