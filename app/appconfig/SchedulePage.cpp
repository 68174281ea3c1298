#include "app/appconfig/SchedulePage.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace appcfg;

SchedulePage::SchedulePage(CameraChoice camera, AppCfgGO& config, QWidget* parent)
    : QWidget(parent), m_camera(std::move(camera)), m_config(config), m_weekDay(new QComboBox),
      m_list(new QListWidget)
{
    // Minute, hour, day and month, then the weekday choice, then the duration.
    auto* grid = new QGridLayout;
    int row = 0;
    for (int field = kMinute; field <= kMonth; ++field, ++row)
        m_fields[field] = addFieldRow(*grid, row, kScheduleFields[field].name, kScheduleFields[field].labelName);
    QLabel* weekDayLabel = newLabel(kWeekDayLabel);
    weekDayLabel->setBuddy(m_weekDay);
    m_weekDay->setObjectName(QStringLiteral("schCombo1"));
    m_weekDay->setPlaceholderText(QString::fromLatin1(kSelectOne));
    m_weekDay->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    grid->addWidget(weekDayLabel, row, 0);
    grid->addWidget(m_weekDay, row++, 1);
    m_fields[kDuration] = addFieldRow(*grid, row++, kScheduleFields[kDuration].name, kScheduleFields[kDuration].labelName);
    grid->addWidget(newLabel(kWildcardHint), row++, 1);
    grid->setRowStretch(row, 1);

    QGroupBox* frame = newFrame(kScheduleFrame);
    m_list->setObjectName(QStringLiteral("schList1"));
    auto* buttons = new QHBoxLayout;
    const std::array<std::pair<Button, void (SchedulePage::*)()>, 4> actions = {{
        {kAddItem, &SchedulePage::addItem},
        {kModifyItem, &SchedulePage::modifyItem},
        {kRemoveItem, &SchedulePage::removeItem},
        {kSaveSchedule, &SchedulePage::saveSchedule},
    }};
    for (const auto& [which, action] : actions) {
        QPushButton* button = newButton(which);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
    }
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_list, 1);
    frameLayout->addLayout(buttons);

    auto* page = new QHBoxLayout(this);
    page->addLayout(grid);
    page->addWidget(frame, 1);

    connect(m_list, &QListWidget::currentRowChanged, this, &SchedulePage::showItemFields);
}

void SchedulePage::showScheduleItems(Camera& camera)
{
    m_shown = &camera;
    const int row = m_list->currentRow();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const auto& item : camera.getSchedule()->getItems())
        m_list->addItem(ScheduleDAO::summaryText(*item));
    if (row >= 0 && row < m_list->count())
        m_list->setCurrentRow(row);
}

void SchedulePage::showItemFields(int row)
{
    if (!m_shown || row < 0)
        return;
    const auto& items = m_shown->getSchedule()->getItems();
    if (static_cast<size_t>(row) >= items.size())
        return;
    const ScheduleTexts texts = ScheduleDAO::fieldTexts(*items[static_cast<size_t>(row)]);
    for (int field = 0; field < kScheduleFieldCount; ++field)
        m_fields[field]->setText(kScheduleFields[field].setting(texts));
    m_weekDay->setCurrentIndex(texts.weekDayChoice);
}

bool SchedulePage::readItemFields(ScheduleItem& item)
{
    std::array<int16_t, kDuration> times{};
    for (int field = kMinute; field < kDuration; ++field) {
        const auto value = fieldtext::wildcardIn(m_fields[field]->text(), *kScheduleFields[field].range);
        if (!value) {
            tell(window(), kScheduleFields[field].message);
            return false;
        }
        times[static_cast<size_t>(field)] = *value;
    }
    // 0 seconds records without a limit.
    const auto duration = fieldtext::numberIn(m_fields[kDuration]->text(), *kScheduleFields[kDuration].range);
    if (!duration) {
        tell(window(), kScheduleFields[kDuration].message);
        return false;
    }
    item.setMinute(times[kMinute]);
    item.setHour(times[kHour]);
    item.setDay(times[kDay]);
    item.setMonth(times[kMonth]);
    item.setDuration(*duration);
    item.setWeekDay(m_weekDay->currentIndex() <= 0 ? int16_t{-1} : static_cast<int16_t>(m_weekDay->currentIndex()));
    return true;
}

void SchedulePage::addItem()
{
    Camera* camera = m_camera();
    if (!camera)
        return;
    // Only a rule whose fields are all accepted joins the schedule.
    auto item = std::make_shared<ScheduleItem>();
    if (!readItemFields(*item))
        return;
    camera->getSchedule()->addItem(item);
    m_list->addItem(ScheduleDAO::summaryText(*item));
}

void SchedulePage::modifyItem()
{
    Camera* camera = m_camera();
    if (!camera)
        return;
    if (m_weekDay->currentIndex() < 0) {
        tell(window(), kSelectWeekDay);
        return;
    }
    const int row = m_list->currentRow();
    const auto& items = camera->getSchedule()->getItems();
    if (row < 0 || static_cast<size_t>(row) >= items.size()) {
        tell(window(), kSelectItem);
        return;
    }
    ScheduleItem& item = *items[static_cast<size_t>(row)];
    if (readItemFields(item))
        m_list->item(row)->setText(ScheduleDAO::summaryText(item));
}

void SchedulePage::removeItem()
{
    Camera* camera = m_camera();
    if (!camera || m_list->count() == 0)
        return;
    const int row = m_list->currentRow();
    if (row < 0) {
        tell(window(), kSelectItem);
        return;
    }
    camera->getSchedule()->rmvItem(static_cast<size_t>(row) + 1);
    const QSignalBlocker quiet(m_list);
    delete m_list->takeItem(row);
}

void SchedulePage::saveSchedule()
{
    if (Camera* camera = m_camera())
        camera->getSchedule()->save(m_config.getConfigFile());
}
