// The controls of the profile manager's switching page: the rules list, the
// default profile's box and the new rule's form. They stand where
// SwitchRulesPage says, show what it holds and forward every choice to it.
#pragma once

#include <QObject>
#include <functional>

class QAction;
class QComboBox;
class QMenu;
class QPoint;
class QWidget;

namespace morvane {

class CTransparentListBox;
class SwitchRulesPage;

class SwitchRulesControls : public QObject {
    Q_OBJECT
public:
    // `changed` runs after the page changed, so the window repaints its words.
    SwitchRulesControls(QWidget& window, SwitchRulesPage& page, std::function<void()> changed);

    void setVisible(bool visible);
    // Shows the page as it is now (after a reload, an add or a remove).
    void refill();

    CTransparentListBox* rulesList() const { return list_; }
    QComboBox* defaultBox() const { return default_; }
    QComboBox* kindBox() const { return kind_; }
    QComboBox* textBox() const { return text_; }
    QComboBox* profileBox() const { return profile_; }

    // The form's text box ended with Enter: the same as "Add".
    std::function<void()> enterPressed;
    // Shows the rules list's menu at a screen point and returns the chosen
    // action (tests answer it).
    std::function<QAction*(QMenu&, const QPoint&)> runMenu;

private:
    void refillSuggestions();
    void showForm();
    void openMenu(const QPoint& globalPos);

    SwitchRulesPage& page_;
    std::function<void()> changed_;
    CTransparentListBox* list_ = nullptr;
    QComboBox* default_ = nullptr;
    QComboBox* kind_ = nullptr;
    QComboBox* text_ = nullptr;
    QComboBox* profile_ = nullptr;
};

}  // namespace morvane
