// The purge job: one pass over all start paths, started by the purge button,
// and the status bar's click.
#include "app/main.h"

void TMainForm::DoTheJob(const std::string& title, nuint8 walkMode)
{
}

void TMainForm::BitBtnPurgeSelectedClick(QObject* sender)
{
}

void TMainForm::StatusBar1Click(QObject* sender)
{
}
