#include "app/appconfig/ApplicationPage.h"

#include "app/core/AppCfgGO.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using namespace appcfg;

ApplicationPage::ApplicationPage(AppCfgGO& config, QWidget* parent)
    : QWidget(parent), m_config(config), m_circular(newCheckBox(kCircular)), m_export(new QComboBox),
      m_import(new QComboBox)
{
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (int field = 0; field < kAlertFieldCount; ++field, ++row)
        m_fields[field] = addFieldRow(*grid, row, kAlertFields[field].name, kAlertFields[field].labelName);
    grid->addWidget(m_circular, row++, 1);

    m_export->setObjectName(QStringLiteral("selectExpCob"));
    m_import->setObjectName(QStringLiteral("selectImpCob"));
    const std::array<std::pair<Label, QComboBox*>, 2> choices = {{{kExportLabel, m_export}, {kImportLabel, m_import}}};
    for (const auto& [label, choice] : choices) {
        choice->setPlaceholderText(QString::fromLatin1(kSelectOne));
        choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        QLabel* caption = newLabel(label);
        caption->setBuddy(choice);
        grid->addWidget(caption, row, 0);
        grid->addWidget(choice, row++, 1);
    }
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(2, 1);
}

void ApplicationPage::showSettings()
{
    for (int field = 0; field < kAlertFieldCount; ++field)
        m_fields[field]->setText(kAlertFields[field].setting(m_config));
    // Cycling is on for exactly 1; any other stored value is off.
    m_circular->setChecked(m_config.getCircularMode() == 1);
}

bool ApplicationPage::refuse(AlertField which)
{
    m_fields[which]->setText(kAlertFields[which].setting(m_config));
    tell(window(), kAlertFields[which].message);
    return false;
}

bool ApplicationPage::applyAlertSettings()
{
    auto accepted = [this](AlertField which) {
        return fieldtext::numberIn(m_fields[which]->text(), *kAlertFields[which].range);
    };
    const auto percent = accepted(kAlertPercent);
    if (!percent)
        return refuse(kAlertPercent);
    m_config.setAlertPercent(static_cast<int16_t>(*percent));

    if (!accepted(kAlertSpace))
        return refuse(kAlertSpace);
    m_config.setAlertSpace(m_fields[kAlertSpace]->text().trimmed().toStdString());

    // An unticked box keeps a stored value other than 1 (off as well) as it was.
    const int16_t circular = m_config.getCircularMode();
    m_config.setCircularMode(m_circular->isChecked() ? 1 : (circular == 1 ? 0 : circular));

    const auto lines = accepted(kAlertLineNum);
    if (!lines)
        return refuse(kAlertLineNum);
    m_config.setAlertLineNum(static_cast<int16_t>(*lines));
    return true;
}
