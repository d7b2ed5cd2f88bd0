#include "platform/vcl/sysmetrics.h"

#include "platform/vcl/forms.h"

#include <QApplication>
#include <QStyle>

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN: return Screen()->Width();
        case SM_CYSCREEN: return Screen()->Height();
        case SM_CXVSCROLL:
            if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
            return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        default: return 0;
    }
}
