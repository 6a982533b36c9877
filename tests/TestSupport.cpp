#include "tests/TestSupport.h"

#include "core/data/Connection.h"
#include "core/settings/Settings.h"
#include "mainwindow/frmVantor.h"
#include "widgets/WindowHelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSqlQuery>
#include <QTimer>
#include <QWidget>
#include <QtTest>

MsgSpy::MsgSpy()
{
    SetMsgBoxHook([this](const MsgBoxCall& call) {
        calls << call;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return call.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::OK;
    });
}

MsgSpy::~MsgSpy()
{
    SetMsgBoxHook({});
}

bool MsgSpy::saw(const QString& text) const
{
    for (const MsgBoxCall& c : calls) {
        if (c.text == text)
            return true;
    }
    return false;
}

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (modal)
                action(modal);
        }
    });
    timer->start();
}

TestEnv::TestEnv()
{
    SetStartupWaitsEnabled(false);
    SetProgramFolder(m_dir.path());
    IniFilePath = m_dir.path() + QStringLiteral("/VANTOR.INI");
    DatabasePath = DefaultDatabasePath();
    EditMode = 0;
}

TestEnv::~TestEnv()
{
    Connection::closeAll();
    SetProgramFolder(QString());
    SetDatabaseOverride(QString());
}

QString TestEnv::dbPath() const
{
    return ConfiguredDatabasePath();
}

Connection& TestEnv::db()
{
    return *Connection::shared(dbPath());
}

std::unique_ptr<frmVantor> TestEnv::openWindow()
{
    auto w = std::make_unique<frmVantor>();
    w->Form_Load();
    w->show();
    return w;
}

qint64 TestEnv::insert(const QString& sql, const QVariantList& values)
{
    return db().run(sql, values).lastInsertId().toLongLong();
}

qint64 TestEnv::addTitle(const QString& title, const QVariant& comments)
{
    return insert(QStringLiteral("INSERT INTO Software (SoftwareTitle, Comments) VALUES (?, ?)"),
                  {title, comments});
}

qint64 TestEnv::addVersion(qint64 softwareId, const QString& number, const QDate& date)
{
    return insert(QStringLiteral("INSERT INTO Versions (SoftwareID, ReleaseNumber, ReleaseDate) "
                                 "VALUES (?, ?, ?)"),
                  {softwareId, number, date.toString(Qt::ISODate)});
}

qint64 TestEnv::addChange(qint64 releaseId, const QString& change)
{
    return insert(QStringLiteral("INSERT INTO Changes (ReleaseID, [Change]) VALUES (?, ?)"),
                  {releaseId, change});
}

qint64 TestEnv::addFile(qint64 releaseId, const QString& file, const QString& version,
                        const QDate& date)
{
    return insert(QStringLiteral("INSERT INTO Files (ReleaseID, [File], [Version], [Date]) "
                                 "VALUES (?, ?, ?, ?)"),
                  {releaseId, file, version, date.toString(Qt::ISODate)});
}

qint64 TestEnv::addProblem(qint64 softwareId, const QVariant& problem, const QVariant& solution)
{
    return insert(
        QStringLiteral("INSERT INTO Problems (SoftwareID, Problem, Solution) VALUES (?, ?, ?)"),
        {softwareId, problem, solution});
}

QVariant TestEnv::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery q = db().run(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

int TestEnv::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(table)).toInt();
}

void SelectTitle(frmVantor& w, const QString& title)
{
    const int index = w.cboSoftware->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(QStringLiteral("no title %1 in the list").arg(title)));
    w.cboSoftware->setCurrentIndex(index);
    emit w.cboSoftware->activated(index);
}

void ClickLine(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    QVERIFY2(item, qPrintable(QStringLiteral("no line %1 in %2").arg(row).arg(list->objectName())));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}
