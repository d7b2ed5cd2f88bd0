#pragma once
// The application object: its title, its main form, the message loop and the
// default exception box.
//
// Every way into form code from Qt (event dispatch, timers, idle work) goes through
// Guarded(), which shows a program exception in the application's error box instead
// of letting it unwind through Qt's event loop (which would abort the process).

#include "platform/vcl/component.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QEventLoop;
class TForm;

class TApplication : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)

public:
    explicit TApplication(TComponent* AOwner = nullptr);
    // Frees the owned forms (their OnDestroy runs) like any owner.
    ~TApplication() override;

    // The title the application has until one is set: the executable's file name
    // without its folder, cut at its first ".", every character after the first in
    // lower case ("/opt/x/ORLISK.bin" -> "Orlisk").
    static QString DefaultTitle(const QString& executablePath);
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // The first form made with CreateForm; closing it ends Run().
    TForm* MainForm() const;
    // Makes a form owned by the application (so it is found among the application's
    // components by name); the first one becomes the main form.
    template <class T>
    T* CreateForm() {
        T* form = new T(this);
        AdoptForm(form);
        return form;
    }
    // Whether Run() shows the main form (on by default).
    bool ShowMainForm = true;

    // Handles every pending event once, then frees the forms released so far.
    // Does not run the idle handlers.
    void ProcessMessages();
    // Shows the main form and runs the event loop until Terminate() (closing the main
    // form terminates). Returns at once when there is no Qt application.
    void Run();
    // Ends Run() and every modal loop.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Shows the exception being handled (call inside a catch block): a program
    // Exception or std::exception by its message, anything else as
    // "Unknown exception", in an error box with the application title as caption.
    void HandleException();
    void ShowException(const QString& message);
    // How many boxes ShowException has shown in this process. The count outlives the
    // application object, so an error shown while its forms are freed still counts.
    static int ErrorBoxesShown();

    // Frees the component later, when an event loop (or ProcessMessages) next runs;
    // never inside the current call stack. A component freed meanwhile is skipped.
    void ReleaseLater(TComponent* component);

    // Work done each time the event loop goes idle (before it waits for events), in
    // the order added, each guarded. Returns an id for RemoveIdleHandler.
    int AddIdleHandler(std::function<void()> handler);
    void RemoveIdleHandler(int id);
    // Runs the idle handlers now (what the loop does when it goes idle).
    void DoIdle();

signals:
    void Terminating();

private:
    void AdoptForm(TForm* form);
    void FlushReleases();
    void ConnectIdle();

    QString title_;
    QPointer<TForm> mainForm_;
    bool terminated_ = false;
    QEventLoop* loop_ = nullptr;
    std::vector<QPointer<TComponent>> releases_;
    bool releasePosted_ = false;
    std::map<int, std::function<void()>> idleHandlers_;
    int nextIdleId_ = 1;
    bool idleConnected_ = false;
    bool inIdle_ = false;
};

// The process's application object, made on first use. It lives until
// FreeApplication(), which the Qt application's teardown calls at the latest.
TApplication* Application();
// Frees the application object and every form it owns. Application() afterwards
// makes a new one.
void FreeApplication();

// Runs f, catching whatever it throws and showing it through
// Application()->HandleException().
template <class F>
void Guarded(F&& f) {
    try {
        std::forward<F>(f)();
    } catch (...) {
        Application()->HandleException();
    }
}
void CallGuarded(const std::function<void()>& f);

class QTranslator;
// Qt's own texts (the standard buttons OK, Cancel, Yes, No, the colour dialog) in the
// language of the default locale (the system's: LC_ALL, LC_MESSAGES, LANG), from
// Qt's translations folder, as every Qt desktop program loads them. Call once the Qt
// application exists. Returns the installed translator (the application owns it),
// nullptr when Qt has no translation for that language.
QTranslator* InstallQtTranslations();
