// Stand-ins until the thumbnail grid arrives.

#include "mainwindow/main.h"

void TFormOrlisk::LoadFolder(const QString&) {}
void TFormOrlisk::RebuildThumbnails() {}
