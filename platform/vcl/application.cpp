#include "platform/vcl/application.h"

#include "platform/system/exceptions.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTranslator>
#include <exception>

namespace {
TApplication* g_application = nullptr;
int g_errorBoxesShown = 0;
}

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner), title_(DefaultTitle(sys::ExecutablePath())) {}

TApplication::~TApplication() {
    // Forms first, while the application object is still whole: their OnDestroy
    // handlers may still ask it for things.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    if (g_application == this) g_application = nullptr;
}

QString TApplication::DefaultTitle(const QString& executablePath) {
    QString name = sys::ExtractFileName(executablePath);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) name.truncate(dot);
    if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
    return name;
}

TForm* TApplication::MainForm() const { return mainForm_.data(); }

void TApplication::AdoptForm(TForm* form) {
    form->DoCreate();
    if (!mainForm_) mainForm_ = form;
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    FlushReleases();
}

void TApplication::Run() {
    if (!QCoreApplication::instance()) return;
    ConnectIdle();
    if (mainForm_ && ShowMainForm) Guarded([this] { mainForm_->Show(); });
    if (!terminated_) {
        QEventLoop loop;
        loop_ = &loop;
        loop.exec();
        loop_ = nullptr;
    }
    FlushReleases();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (loop_) loop_->quit();
    emit Terminating();
}

void TApplication::HandleException() {
    QString message;
    try {
        throw;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown exception");
    }
    ShowException(message);
}

void TApplication::ShowException(const QString& message) {
    WindowHandle owner = nullptr;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        owner = QApplication::activeModalWidget();
        if (!owner) owner = QApplication::activeWindow();
    }
    ++g_errorBoxesShown;
    MessageBoxW(owner, message, title_, MB_OK | MB_ICONERROR);
}

int TApplication::ErrorBoxesShown() { return g_errorBoxesShown; }

void TApplication::ReleaseLater(TComponent* component) {
    if (!component) return;
    releases_.emplace_back(component);
    if (!releasePosted_ && QCoreApplication::instance()) {
        releasePosted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { FlushReleases(); }, Qt::QueuedConnection);
    }
}

void TApplication::FlushReleases() {
    releasePosted_ = false;
    while (!releases_.empty()) {
        std::vector<QPointer<TComponent>> batch;
        batch.swap(releases_);
        for (const QPointer<TComponent>& c : batch)
            if (c) Guarded([&] { delete c.data(); });
    }
}

int TApplication::AddIdleHandler(std::function<void()> handler) {
    const int id = nextIdleId_++;
    idleHandlers_.emplace(id, std::move(handler));
    ConnectIdle();
    return id;
}

void TApplication::RemoveIdleHandler(int id) { idleHandlers_.erase(id); }

void TApplication::ConnectIdle() {
    if (idleConnected_ || !QCoreApplication::instance()) return;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { DoIdle(); });
        idleConnected_ = true;
    }
}

void TApplication::DoIdle() {
    if (inIdle_) return;
    inIdle_ = true;
    // A handler may remove itself or others: walk ids, not iterators.
    std::vector<int> ids;
    ids.reserve(idleHandlers_.size());
    for (const auto& [id, handler] : idleHandlers_) ids.push_back(id);
    for (int id : ids) {
        auto it = idleHandlers_.find(id);
        if (it == idleHandlers_.end()) continue;
        std::function<void()> handler = it->second;
        Guarded(handler);
    }
    inIdle_ = false;
}

TApplication* Application() {
    if (!g_application) {
        g_application = new TApplication();
        // The Qt application's teardown runs its post routines while widgets still
        // work; the forms must go before it.
        qAddPostRoutine(FreeApplication);
    }
    return g_application;
}

void FreeApplication() {
    // Application() keeps answering the object being freed while its forms go (their
    // OnDestroy may ask it for things); the destructor clears it at the end.
    delete g_application;
}

void CallGuarded(const std::function<void()>& f) { Guarded(f); }

QTranslator* InstallQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
