#include "app/app_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QStyleFactory>
#include <QTranslator>

#include "base/language.h"

namespace morvane {

void applySkinLook(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    const QColor window(0x22, 0x22, 0x28), base(0x18, 0x18, 0x1c), alternate(0x26, 0x26, 0x2c);
    const QColor text(0xec, 0xec, 0xf0), disabled(0x6c, 0x6c, 0x74), accent(0xc8, 0x23, 0x2c);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, alternate);
    p.setColor(QPalette::ToolTipBase, alternate);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, alternate);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0xff, 0x4d, 0x55));
    p.setColor(QPalette::Light, QColor(0x3a, 0x3a, 0x42));
    p.setColor(QPalette::Midlight, QColor(0x30, 0x30, 0x38));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x30));
    p.setColor(QPalette::Dark, QColor(0x12, 0x12, 0x15));
    p.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x44, 0x44, 0x4c));
    app.setPalette(p);
}

QTranslator* loadQtTranslations(QApplication& app, std::uint16_t uiLanguage) {
    if (uiLanguage != kLanguageChinese) return nullptr;
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace morvane
