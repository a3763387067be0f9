#include "ui/prefs/PrefsStatisticsVC.h"

#include "ui/prefs/PrefsForm.h"


PrefsStatisticsVC::PrefsStatisticsVC(const PrefsContext&, QWidget* parent) : PrefsPage(parent)
{
    setObjectName(QStringLiteral("PrefsStatisticsVC"));
    auto* form = new PrefsForm(this);
    form->addSection(QStringLiteral("Statistics page"));
    form->addCheckBox("statsUseLastWeekWhenStarting", QStringLiteral("Show the last seven days when it opens"));
    form->addNote(QStringLiteral("Off: it opens on the dates chosen last time."));
    form->addIntegerField("statsDataQueryInterval", QStringLiteral("Refresh every"), 1, 3600,
                          QStringLiteral(" seconds"));
    form->addNote(QStringLiteral("The figures are read while the statistics page is shown. The colour of each "
                                 "server's bars is set on the News Servers page."));
    form->finish();
    setContent(form);
}
