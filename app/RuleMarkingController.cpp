#include "app/RuleMarkingController.h"

#include "app/KeepRuleMenu.h"

#include <QAbstractButton>
#include <QMenu>

RuleMarkingController::RuleMarkingController(QWidget* window, Apply apply, QObject* parent)
    : QObject(parent), m_window(window), m_apply(std::move(apply)), m_rules(new KeepRuleMenu(window, this)),
      m_menu(new QMenu(window))
{
    m_menu->setObjectName(QStringLiteral("markByRuleMenu"));
    m_rules->populate(m_menu, this, [this](const KeepRule& rule) {
        m_apply(rule, {}, {});
        Q_EMIT ruleApplied(rule);
    });
}

void RuleMarkingController::setButton(QAbstractButton* button)
{
    m_button = button;
    connect(button, &QAbstractButton::clicked, this, &RuleMarkingController::markByRuleClicked);
}

void RuleMarkingController::markByRuleClicked()
{
    if (!m_button) {
        return;
    }
    // popup, not exec: the window goes on with its events while the menu is open.
    m_menu->popup(m_button->mapToGlobal(QPoint(0, m_button->height())));
}

QMenu* RuleMarkingController::addOutlineItems(QMenu* contextMenu, const ExtensionsPtr& group,
                                              const SetPtr& set)
{
    // A menu cleared for the next right click keeps its old submenus as children.
    qDeleteAll(
        contextMenu->findChildren<QMenu*>(QStringLiteral("outlineRuleMenu"), Qt::FindDirectChildrenOnly));
    QMenu* sub = contextMenu->addMenu(set ? tr("Mark Set by Rule") : tr("Mark Group by Rule"));
    sub->setObjectName(QStringLiteral("outlineRuleMenu"));
    // The items hold the group and set they were made for, not whatever is
    // selected when one is chosen (the folder dialog comes in between).
    m_rules->populate(sub, sub, [this, group, set](const KeepRule& rule) {
        m_apply(rule, group, set);
        Q_EMIT ruleApplied(rule);
    });
    return sub;
}
