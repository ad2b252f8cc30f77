// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/form_harvest.h"

#include "localization/live_translation.h"
#include "localization/loc_storage.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <set>

namespace kelvra {

namespace {

// The object itself, or what it sits in, holds the user's data, or it lies
// in another window (which is harvested as a form of its own).
bool marked(const QObject *object, const QObject *root)
{
    for (const QObject *o = object; o && o != root; o = o->parent()) {
        const QVariant mark = o->property(kNotTranslated);
        if (mark.typeId() == QMetaType::Bool && mark.toBool())
            return true;
        // A menu is a window of its own only while it pops up.
        if (const auto *w = qobject_cast<const QWidget *>(o); w && w->isWindow() && !qobject_cast<const QMenu *>(w))
            return true;
    }
    return false;
}

// One of the paths an object marks as data.
bool markedPath(const QObject *object, const QByteArray &path)
{
    const QVariant mark = object->property(kNotTranslated);
    return mark.typeId() == QMetaType::QStringList && mark.toStringList().contains(QString::fromLatin1(path));
}

// A text without a letter ("50", "...") reads the same in every language.
bool hasLetter(const QString &text)
{
    for (const QChar c : text)
        if (c.isLetter())
            return true;
    return false;
}

// Pieces of compound widgets: their texts belong to the compound widget.
bool insideCompound(const QObject *object, const QObject *root)
{
    // A button showing an action shows the action's texts.
    if (auto *button = qobject_cast<const QToolButton *>(object); button && button->defaultAction())
        return true;
    for (const QObject *o = object->parent(); o && o != root; o = o->parent())
        if (qobject_cast<const QComboBox *>(o) || qobject_cast<const QAbstractSpinBox *>(o)
            || qobject_cast<const QAbstractItemView *>(o) || qobject_cast<const QTabBar *>(o)
            || (qobject_cast<const QDialogButtonBox *>(o) && object->objectName().isEmpty()))
            return true;
    return qobject_cast<const QTabBar *>(object) || qobject_cast<const QHeaderView *>(object);
}

bool isTabPage(const QObject *object)
{
    const auto *w = qobject_cast<const QWidget *>(object);
    const auto *stack = w ? qobject_cast<const QStackedWidget *>(w->parentWidget()) : nullptr;
    return stack && qobject_cast<const QTabWidget *>(stack->parentWidget());
}

bool hasCaption(const QObject *object, const QObject *root)
{
    return object == root || qobject_cast<const QAbstractButton *>(object) || qobject_cast<const QLabel *>(object)
        || qobject_cast<const QAction *>(object) || qobject_cast<const QGroupBox *>(object)
        || qobject_cast<const QMenu *>(object) || qobject_cast<const QDockWidget *>(object) || isTabPage(object);
}

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The stored paths an object shows a text under, each once.
QList<QByteArray> pathsOf(const QObject *object, const QObject *root)
{
    QList<QByteArray> paths;
    if (hasCaption(object, root))
        paths << "Caption";
    const auto *action = qobject_cast<const QAction *>(object);
    // An action's tool tip defaults to its text; only one set on purpose is its own.
    if (qobject_cast<const QWidget *>(object) || (action && action->toolTip() != plain(action->text())))
        paths << "Hint";
    paths << "StatusTip"
          << "WhatsThis";
    if (qobject_cast<const QWidget *>(object))
        paths << "AccessibleName"
              << "AccessibleDescription";
    if (object->metaObject()->indexOfProperty("placeholderText") >= 0)
        paths << "PlaceholderText";
    if (qobject_cast<const QAbstractSpinBox *>(object))
        paths << "Prefix"
              << "Suffix"
              << "SpecialValueText";
    if (qobject_cast<const QComboBox *>(object) || qobject_cast<const QListWidget *>(object))
        paths << "Items.Strings";
    return paths;
}

class Harvest
{
public:
    Harvest(QObject *root, const QByteArray &form, TLocStorage &store, qint32 &nextID, THarvestReport *report)
        : m_root(root)
        , m_form(form)
        , m_store(store)
        , m_nextID(nextID)
        , m_report(report)
    {
        for (const QMenu *menu : root->findChildren<QMenu *>())
            m_menuActions.insert(menu->menuAction());
    }

    void run()
    {
        if (m_root->property(kNotTranslated).typeId() != QMetaType::Bool)
            visit(m_root, QByteArray());
        for (QObject *object : m_root->findChildren<QObject *>()) {
            if (marked(object, m_root) || insideCompound(object, m_root) || m_menuActions.count(object))
                continue;
            const QByteArray name = object->objectName().toLatin1();
            if (name.isEmpty()) {
                noteUnnamed(object);
                continue;
            }
            if (name.startsWith("qt_"))
                continue;
            if (!m_names.insert(name.toLower()).second) {
                if (m_report)
                    m_report->Duplicates << QString::fromLatin1(name);
                continue;
            }
            visit(object, name);
            collections(object, name);
        }
    }

private:
    void add(const TComponentTarget &target, const QByteArray &component, const QByteArray &path,
        TLocValueType type = TLocValueType::ptString)
    {
        if (target.Collection.isEmpty() && markedPath(target.Object, path))
            return;
        const std::optional<TPropertyAccess> access = TLiveTranslator::Access(target, path);
        if (!access)
            return;
        const QString value = access->Get();
        if (!hasLetter(value))
            return;
        TLocProperty *p = m_store.AddProperty(m_nextID, m_form, component, path, type);
        if (p->ID == m_nextID)
            ++m_nextID;
        p->Values[0].SetValue(value);
        p->Values[0].ValueVersion = 1;
    }

    void visit(QObject *object, const QByteArray &component)
    {
        const TComponentTarget self { object, {}, -1, {} };
        for (const QByteArray &path : pathsOf(object, m_root))
            add(self, component, path, path == "Items.Strings" ? TLocValueType::ptStringList : TLocValueType::ptString);
    }

    // Items without names of their own, addressed by their place.
    void collections(QObject *object, const QByteArray &name)
    {
        auto items = [&](const QByteArray &collection, int count, const QList<QByteArray> &paths) {
            for (int i = 0; i < count; ++i) {
                const QByteArray component = name + '.' + collection + '[' + QByteArray::number(i) + ']';
                if (const std::optional<TComponentTarget> target = TLiveTranslator::ResolveComponent(m_root, component))
                    for (const QByteArray &path : paths)
                        add(*target, component, path);
            }
        };
        if (auto *bar = qobject_cast<QStatusBar *>(object)) {
            const auto panels = bar->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
            for (int i = 0; i < panels.size(); ++i)
                if (panels[i]->objectName().isEmpty() && !marked(panels[i], m_root))
                    items("Panels", i + 1, { "Text" });
        } else if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->objectName().isEmpty())
                    items("Pages", i + 1, { "Caption", "Hint" });
        } else if (qobject_cast<QTreeWidget *>(object) || qobject_cast<QTableWidget *>(object)) {
            const auto *view = static_cast<QAbstractItemView *>(object);
            items("Columns", view->model() ? view->model()->columnCount() : 0, { "Caption" });
        }
    }

    void noteUnnamed(QObject *object)
    {
        if (!m_report || !qobject_cast<QWidget *>(object))
            return;
        if (auto *label = qobject_cast<QLabel *>(object); label && qobject_cast<QStatusBar *>(label->parent()))
            return;
        if (isTabPage(object))
            return;
        const TComponentTarget self { object, {}, -1, {} };
        for (const QByteArray &path : pathsOf(object, m_root))
            if (const std::optional<TPropertyAccess> access = TLiveTranslator::Access(self, path))
                if (hasLetter(access->Get()) && !markedPath(object, path)) {
                    m_report->Unnamed << QStringLiteral("%1 \"%2\"")
                                             .arg(
                                                 QString::fromLatin1(object->metaObject()->className()), access->Get());
                    return;
                }
    }

    QObject *m_root;
    QByteArray m_form;
    TLocStorage &m_store;
    qint32 &m_nextID;
    THarvestReport *m_report;
    std::set<const QObject *> m_menuActions;
    std::set<QByteArray> m_names;
};

} // namespace

void HarvestForm(QObject *root, const QByteArray &formName, TLocStorage &store, qint32 &nextID, THarvestReport *report)
{
    Harvest(root, formName, store, nextID, report).run();
}

} // namespace kelvra
