#include "app/LocationPageController.h"

#include "platform/PathText.h"

#include <QGraphicsOpacityEffect>
#include <QListWidget>
#include <QPushButton>

#include <sys/stat.h>

namespace {
constexpr int PathRole = Qt::UserRole + 1;
}

LocationPageController::LocationPageController(QListWidget* list, QPushButton* scanButton, QObject* parent)
    : QObject(parent), m_list(list), m_scanButton(scanButton)
{
    connect(m_list, &QListWidget::itemChanged, this, &LocationPageController::refreshScanButton);
}

void LocationPageController::setInitialState(const QByteArrayList& defaultFolders)
{
    clear();
    addFolders(defaultFolders);
}

void LocationPageController::addFolders(const QByteArrayList& folders)
{
    for (const QByteArray& folder : folders) {
        bool present = false;
        for (int i = 0; i < m_list->count(); ++i) {
            present = present || m_list->item(i)->data(PathRole).toByteArray() == folder;
        }
        if (present || folder.isEmpty()) {
            continue;
        }
        auto* item = new QListWidgetItem(PathText::display(folder));
        item->setData(PathRole, folder);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Checked);
        m_list->addItem(item);
    }
    refreshScanButton();
}

QList<LocationEntry> LocationPageController::entries() const
{
    QList<LocationEntry> result;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* item = m_list->item(i);
        const QByteArray path = item->data(PathRole).toByteArray();
        struct stat st{};
        const bool folder = ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        result.append(LocationEntry{path, item->checkState() == Qt::Checked, folder});
    }
    return result;
}

void LocationPageController::clear()
{
    m_list->clear();
    refreshScanButton();
}

void LocationPageController::refreshScanButton()
{
    bool anyMarked = false;
    for (int i = 0; i < m_list->count(); ++i) {
        anyMarked = anyMarked || m_list->item(i)->checkState() == Qt::Checked;
    }
    m_scanButton->setEnabled(anyMarked);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(m_scanButton->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(m_scanButton);
        m_scanButton->setGraphicsEffect(effect);
    }
    effect->setOpacity(anyMarked ? 1.0 : 0.6);
}
