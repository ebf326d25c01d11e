// The built program itself: the second copy refused, and SIGTERM closing the window through
// the normal close, which saves the settings file.
#include <csignal>
#include <memory>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TCaplinProcessTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    // Each program gets its own lock folder, settings file and trace file.
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", dir_->path());
        env.insert("TMPDIR", dir_->path());
        env.insert("CAPLIN_REGISTRY", dir_->filePath("registry.reg"));
        env.insert("CAPLIN_TRACE", dir_->filePath("trace.txt"));
        return env;
    }

    void Start(QProcess& process) {
        process.setProcessEnvironment(Environment());
        process.start(CAPLIN_PROGRAM, {});
        QVERIFY(process.waitForStarted(5000));
    }

    QByteArray Trace() const {
        QFile file(dir_->filePath("trace.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void cleanup() { dir_.reset(); }

    void sigtermClosesAndSaves() {
        QProcess first;
        Start(first);
        QTest::qWait(1500);
        QVERIFY(!QFile::exists(dir_->filePath("registry.reg")));
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(5000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(QFile::exists(dir_->filePath("registry.reg")));
    }

    void secondCopyIsRefused() {
        QProcess first;
        Start(first);
        QTest::qWait(1500);
        QProcess second;
        Start(second);
        QTRY_VERIFY_WITH_TIMEOUT(Trace().contains("vlm: ShowMessage - Caplin is allready running!"),
                                 5000);
        // The second copy waits on its box; the first is untouched.
        second.kill();
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(first.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(5000));
    }
};

int RunCaplinProcessTest(int argc, char** argv) {
    TCaplinProcessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CaplinProcessTest.moc"
