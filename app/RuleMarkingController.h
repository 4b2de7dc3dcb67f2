#pragma once

#include "review/KeepRule.h"

#include <QObject>
#include <QPointer>
#include <functional>

class KeepRuleMenu;
class QAbstractButton;
class QMenu;
class QWidget;

// "Mark by Rule" beside Mark All, and the same rules for one group or one
// set in the outline's context menu: in every set all files are marked but
// the one the rule keeps, or the reference copies where the set has them.
class RuleMarkingController : public QObject
{
    Q_OBJECT
public:
    // Applies a rule to the whole tree on screen (group and set empty), to
    // one group (set empty) or to one set.
    using Apply = std::function<void(const KeepRule&, const ExtensionsPtr& group, const SetPtr& set)>;

    RuleMarkingController(QWidget* window, Apply apply, QObject* parent = nullptr);

    // The button opens the rule menu under itself.
    void setButton(QAbstractButton* button);
    QMenu* menu() const { return m_menu; }
    KeepRuleMenu* rules() const { return m_rules; }

    // Appends a "Mark by Rule" submenu for one group (set empty) or one set.
    QMenu* addOutlineItems(QMenu* contextMenu, const ExtensionsPtr& group, const SetPtr& set);

    void markByRuleClicked();

Q_SIGNALS:
    // A rule was applied; `rule` names it for tests.
    void ruleApplied(const KeepRule& rule);

private:
    QWidget* m_window;
    Apply m_apply;
    KeepRuleMenu* m_rules;
    QMenu* m_menu;
    QPointer<QAbstractButton> m_button;
};
