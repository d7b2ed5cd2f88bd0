// Helper of thumbnails.sh: the main window's own folder load, timed.
//
//   thumbnails_window FOLDER BOXW BOXH high|low
//
// Makes the main window offscreen as window mode does, with its progress window as a
// real form, cells of (BOXW + 10) x (BOXH + 30) with room for BOXW x BOXH thumbnails
// (143 x 143 in a cell of 153 x 173, where a 4000 x 3000 photo gets 143 x 107), the chosen thumbnail quality and "Enlarge Small
// Images" off; shows it; loads FOLDER through the window's LoadFolder. Prints the
// milliseconds from the load's start to its end, the number of thumbnails in the grid
// and the process's peak resident memory in KiB.
#include "mainwindow/main.h"
#include "platform/vcl/application.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/menus.h"
#include "progress/app_wait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

// The window's load and its model, reached as the grid's tests reach them.
struct GridTestAccess {
    static void LoadFolder(TFormOrlisk& f, const QString& folder) { f.LoadFolder(folder); }
    static int Count(TFormOrlisk& f) { return f.Images->Count(); }
};

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER BOXW BOXH high|low\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int boxW = std::atoi(argv[2]);
    const int boxH = std::atoi(argv[3]);
    const bool high = QByteArray(argv[4]) == "high";

    TProgressWindow::SetUseForm(true);  // the progress window a user sees
    Application()->SetTitle(QStringLiteral("Orlisk"));
    auto* form = new TFormOrlisk(Application());
    form->Show();
    QApplication::processEvents();
    form->DrawGrid->SetDefaultColWidth(boxW + 10);
    form->DrawGrid->SetDefaultRowHeight(boxH + 30);
    form->pmiHiQuality->SetChecked(high);
    form->pmiLowQuality->SetChecked(!high);
    form->pmiEnlargeSmall->SetChecked(false);

    QElapsedTimer timer;
    timer.start();
    GridTestAccess::LoadFolder(*form, folder);
    const qint64 ms = timer.elapsed();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %d %ld\n", static_cast<long long>(ms), GridTestAccess::Count(*form),
                usage.ru_maxrss);
    delete form;
    return 0;
}
