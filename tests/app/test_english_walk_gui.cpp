// The English interface, walked offscreen: with a simulated sensor connected
// and developer mode on, every page and every window is shown and every text
// a user can see (labels, buttons, titles, tool tips, combo and list items,
// spin box suffixes, menus) is scanned for Russian letters.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/page_connection.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <set>

namespace {

bool russian(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

// Adds "object: text" for every Russian text that `w` shows.
std::size_t scanned = 0;

void scan(QWidget* w, std::set<QString>& found)
{
    ++scanned;
    QStringList texts{w->toolTip()};
    if (w->isWindow())
        texts << w->windowTitle();
    if (auto* l = qobject_cast<QLabel*>(w))
        texts << l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        texts << b->text();
        if (auto* t = qobject_cast<QToolButton*>(w); t && t->menu())
            for (QAction* a : t->menu()->actions())
                texts << a->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w))
        texts << g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        texts << e->text() << e->placeholderText();
    if (auto* s = qobject_cast<QSpinBox*>(w))
        texts << s->prefix() << s->suffix();
    if (auto* s = qobject_cast<QDoubleSpinBox*>(w))
        texts << s->prefix() << s->suffix();
    // The language selector names each language in itself.
    if (auto* c = qobject_cast<QComboBox*>(w); c && c->objectName() != QStringLiteral("comboLanguage"))
        for (int i = 0; i < c->count(); ++i)
            texts << c->itemText(i);
    if (auto* list = qobject_cast<QListWidget*>(w))
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
    if (auto* tabs = qobject_cast<QTabWidget*>(w))
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    for (QMenu* m : w->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        for (QAction* a : m->actions())
            texts << a->text();
    for (const QString& t : texts)
        if (russian(t))
            found.insert(w->objectName() + QStringLiteral(": ") + t);
}

void scan_visible(std::set<QString>& found)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        scan(top, found);
        for (QWidget* w : top->findChildren<QWidget*>())
            if (w->isVisibleTo(top))
                scan(w, found);
    }
}

} // namespace

TEST(EnglishInterface, NoRussianTextIsShownOnAnyPageOrWindow)
{
    orvex::test::TempDir exe_dir;
    std::filesystem::copy_file(ORVEX_QM_PATH, exe_dir / "quorin_en.qm");
    // The sensor carries the crawler, so that the walk also sees an extension-board panel.
    auto sim = orvex::test::start_simulator(
        {orvex::test::loopback_address(2) + ",serial=00042,ident=First,board=80"},
        orvex::test::loopback_address(254));
    orvex::test::write_file(exe_dir / "SettingsCrawler.xml",
                            "<root><CrawlerSettings><fixed_link_address>" +
                                orvex::test::loopback_address(146) +
                                "</fixed_link_address></CrawlerSettings></root>");
    orvex::ProgramSettings stored;
    stored.ethernet_mask = orvex::test::loopback_address(254);
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir, stored));
    Quorin* window = orvex::app::main_window();
    window->show();
    window->on_developer_mode(true);
    window->findChild<QComboBox*>(QStringLiteral("comboLanguage"))->setCurrentIndex(0);
    QCoreApplication::processEvents();

    // A search and a connection, as the engineer does them.
    PageConnection* page = orvex::app::page_connection();
    auto* list = page->findChild<QListWidget*>(QStringLiteral("listSearchSensors"));
    page->findChild<QPushButton*>(QStringLiteral("btnConnectionSearch"))->click();
    for (int wait = 0; wait < 300 && list->count() == 0; ++wait)
        QTest::qWait(10);
    ASSERT_GT(list->count(), 0);
    list->setCurrentRow(0);
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));

    std::set<QString> found;
    scan_visible(found);
    for (const char* tool :
         {"toolChart", "toolBitstream", "toolLatch", "toolDebug", "tool_xfn", "toolConnection"}) {
        window->findChild<QToolButton*>(QString::fromLatin1(tool))->click();
        QCoreApplication::processEvents();
        scan_visible(found);
    }
    for (QWidget* form : orvex::app::top_level_forms())
        form->show();
    QCoreApplication::processEvents();
    scan_visible(found);
    for (QWidget* form : orvex::app::top_level_forms())
        if (form != window)
            form->hide();

    for (const QString& text : found)
        ADD_FAILURE() << text.toStdString();
    std::printf("Russian texts shown in the English interface: %zu (%zu widgets scanned)\n", found.size(),
                scanned);
    EXPECT_GT(scanned, 300u); // the walk reached the pages and windows
    orvex::app::device(0).disconnect();
}
