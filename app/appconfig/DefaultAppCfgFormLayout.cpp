#include "app/appconfig/DefaultAppCfgFormLayout.h"

#include "app/appconfig/AppCfgFields.h"
#include "app/appconfig/AppCfgForm.h"
#include "app/appconfig/ApplicationPage.h"
#include "app/appconfig/SchedulePage.h"
#include "app/core/AppCfgGO.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

using namespace appcfg;

void DefaultAppCfgFormLayout::layout(AppCfgForm& form)
{
    form.setWindowTitle(QString::fromLatin1(kWindowCaption));
    for (int tab = 0; tab < form.tabs()->count() && tab < static_cast<int>(kTabs.size()); ++tab)
        form.tabs()->setTabText(tab, QString::fromLatin1(kTabs[static_cast<size_t>(tab)]));

    // Every control the tables name gets its caption.
    for (QWidget* control : form.findChildren<QWidget*>()) {
        const QString caption = captionOf(control->objectName());
        if (caption.isEmpty())
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setText(caption);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(caption);
        else if (auto* frame = qobject_cast<QGroupBox*>(control))
            frame->setTitle(caption);
    }

    QComboBox* weekDays = form.schedulePage()->weekDayChoice();
    weekDays->clear();
    for (const QString& day : ScheduleDAO::weekDayChoices())
        weekDays->addItem(day);
    weekDays->setCurrentIndex(-1);

    form.applicationPage()->showSettings();
    form.refreshCamList();
    form.refreshViewerLayoutList();
    QComboBox* views = form.viewerLayoutChoice();
    views->setCurrentIndex(views->findText(QString::number(form.config().getViewerLayout())));
}
