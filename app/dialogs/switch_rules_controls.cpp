#include "app/dialogs/switch_rules_controls.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/app_look.h"
#include "app/dialogs/switch_rules_page.h"
#include "base/texts.h"
#include "controls/transparent_list_box.h"

namespace morvane {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

void place(QWidget& w, const ConfigureRect& r) { w.setGeometry(r.left, r.top, r.width(), r.height()); }

// Windows keep becoming active while the page is open: the list of them is
// taken afresh each time it drops down.
class SuggestionBox final : public QComboBox {
public:
    SuggestionBox(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
    void showPopup() override {
        beforePopup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};

void fill(QComboBox& box, const std::vector<std::string>& items) {
    const QSignalBlocker quiet(box);
    box.clear();
    for (const std::string& item : items) box.addItem(qs(item));
}

}  // namespace

SwitchRulesControls::SwitchRulesControls(QWidget& window, SwitchRulesPage& page, std::function<void()> changed)
    : QObject(&window), page_(page), changed_(std::move(changed)) {
    list_ = new CTransparentListBox(&window);
    place(*list_, kRulesList);
    list_->setListFont(13, QStringLiteral("Arial"), Qt::white, QColor(0, 255, 255), true, Qt::black, 1);
    list_->setEditMode(ListEditMode::ReadOnly);
    connect(list_, &CTransparentListBox::selectionChanged, this, [this](int row) {
        page_.select(row < 0 ? std::nullopt : std::optional<int>(row));
        showForm();
    });
    connect(list_, &CTransparentListBox::contextMenuRequested, this, &SwitchRulesControls::openMenu);
    runMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };

    default_ = new QComboBox(&window);
    place(*default_, kRulesDefaultBox);
    connect(default_, &QComboBox::activated, this, [this](int choice) {
        page_.chooseDefault(choice);
        refill();
    });

    kind_ = new QComboBox(&window);
    place(*kind_, kRulesKindBox);
    connect(kind_, &QComboBox::activated, this, [this](int choice) {
        page_.setKind(choice);
        refillSuggestions();
    });

    // The text is typed, or taken from a window that was active lately.
    text_ = new SuggestionBox(&window, [this] { refillSuggestions(); });
    place(*text_, kRulesTextBox);
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);
    connect(text_, &QComboBox::editTextChanged, this, [this](const QString& t) { page_.setText(t.toStdString()); });
    connect(text_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (enterPressed) enterPressed();
    });

    profile_ = new QComboBox(&window);
    place(*profile_, kRulesProfileBox);
    connect(profile_, &QComboBox::activated, this,
            [this](int choice) { page_.setProfile(choice < 0 ? std::nullopt : std::optional<int>(choice)); });
}

void SwitchRulesControls::setVisible(bool visible) {
    for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(default_), static_cast<QWidget*>(kind_),
                       static_cast<QWidget*>(text_), static_cast<QWidget*>(profile_)})
        w->setVisible(visible);
}

void SwitchRulesControls::refill() {
    list_->clear();
    const auto& rows = page_.rows();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) list_->insertRow(i, qs(rows[i]));
    list_->setCurrentRow(page_.selection().value_or(-1));

    fill(*default_, page_.defaultChoices());
    default_->setCurrentIndex(page_.defaultChoice());
    fill(*kind_, page_.kindChoices());
    fill(*profile_, page_.profileChoices());
    profile_->setPlaceholderText(QString::fromUtf8(text(Text::SwitchingNeedProfile, page_.language())));
    showForm();
}

void SwitchRulesControls::showForm() {
    kind_->setCurrentIndex(page_.kind());
    refillSuggestions();
    profile_->setCurrentIndex(page_.profile().value_or(-1));
    if (changed_) changed_();
}

void SwitchRulesControls::openMenu(const QPoint& globalPos) {
    // The menu works on the rule under the pointer.
    const int row = list_->rowAt(list_->mapFromGlobal(globalPos));
    if (row >= 0) {
        list_->setCurrentRow(row);
        page_.select(row);
        showForm();
    }
    QMenu menu(list_);
    menu.setStyleSheet(QString::fromLatin1(kSkinMenuStyle));
    for (const RuleCommand command : ruleMenu())
        menu.addAction(QString::fromUtf8(ruleCommandText(command, page_.language())))
            ->setData(static_cast<int>(command));
    QAction* chosen = runMenu ? runMenu(menu, globalPos) : nullptr;
    if (!chosen) return;
    (void)page_.run(static_cast<RuleCommand>(chosen->data().toInt()));
    refill();
}

void SwitchRulesControls::refillSuggestions() {
    fill(*text_, page_.suggestions());
    const QSignalBlocker quiet(*text_);
    text_->setEditText(qs(page_.typed()));
    text_->lineEdit()->setPlaceholderText(qs(page_.kindChoices()[page_.kind()]));
}

}  // namespace morvane
