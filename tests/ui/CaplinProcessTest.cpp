// The built program itself: the second copy refused, SIGTERM closing the window through
// the normal close, which saves the settings file, and the program's own arguments.
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

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
        env.insert("XDG_STATE_HOME", dir_->filePath("state"));
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

    // Help and the version need neither a display nor the lock a running window holds; an
    // unknown argument is a usage error. None of them opens a window.
    void argumentsAreAnsweredWithoutAWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err");
        const QStringList none;
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << QStringList{"Usage: caplin [--help] [--version]",
                                             "CAPLIN_REGISTRY ",
                                             "CAPLIN_TRACE ",
                                             "XDG_CONFIG_HOME ",
                                             "XDG_STATE_HOME ",
                                             "XDG_RUNTIME_DIR ",
                                             "TMPDIR ",
                                             "default log folder  <home>/state/caplin/logs/"}
                              << "";
        QTest::newRow("version after a Qt option")
            << QStringList{"-style", "Fusion", "--version"} << 0
            << QStringList{QString("caplin ") + CAPLIN_VERSION + "\n"} << "";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << none
                                        << "caplin: unknown argument --frobnicate\nUsage: caplin ";
        QTest::newRow("stray argument") << QStringList{"-platform", "offscreen", "notes.txt"} << 2
                                        << none << "caplin: unknown argument notes.txt\n";
    }

    void argumentsAreAnsweredWithoutAWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        // A window holds the lock.
        const int lock = ::open(dir_->filePath("Caplin.lock").toLocal8Bit().constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lock >= 0);
        QCOMPARE(::flock(lock, LOCK_EX | LOCK_NB), 0);
        QProcessEnvironment env = Environment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(CAPLIN_PROGRAM, arguments);
        const bool finished = process.waitForFinished(5000);
        ::close(lock);
        QVERIFY(finished);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(process.readAllStandardError());
        // "<home>" stands for the test's folder, which exists only once the test runs.
        for (QString text : out)
            QVERIFY2(stdOut.contains(text.replace("<home>", dir_->path())), qPrintable(stdOut));
        if (out.isEmpty())
            QCOMPARE(stdOut, QString());
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
        QVERIFY(!Trace().contains("allready running"));
    }
};

int RunCaplinProcessTest(int argc, char** argv) {
    TCaplinProcessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CaplinProcessTest.moc"
