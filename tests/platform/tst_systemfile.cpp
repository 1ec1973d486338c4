#include "systemfile.h"

#include <QtTest>
#include <dirent.h>
#include <sys/stat.h>

// Names as the system spells them, and files written whole or not at all.
class TestSystemFile : public QObject
{
    Q_OBJECT

private slots:
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("readable"); // decodes to what UTF-8 says
        QTest::newRow("UTF-8") << QByteArray("/tmp/caf\xc3\xa9/\xf0\x9f\x8e\xab.dat") << true;
        QTest::newRow("Latin-1 byte") << QByteArray("/tmp/t\xff.prn") << false;
        QTest::newRow("cut sequence") << QByteArray("a\xc3") << false;
        QTest::newRow("encoded surrogate") << QByteArray("a\xed\xb2\x80z") << false;
        QTest::newRow("replacement character and a bad byte")
            << QByteArray("\xef\xbf\xbd\x80") << false;
    }
    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, readable);
        const QString decoded = SystemFile::decodeName(name);
        QCOMPARE(SystemFile::encodeName(decoded), name);
        QCOMPARE(decoded == QString::fromUtf8(name), readable);
    }

    void writesWholeFilesByTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QString path = SystemFile::decodeName(folder + "/p\xe9.dat");
        QString error;
        const auto writeText = [](const QByteArray &text) {
            return [text](QIODevice &file) { return file.write(text) == text.size(); };
        };
        QVERIFY(SystemFile::writeAtomically(path, writeText("first"), &error));
        QCOMPARE(::chmod((folder + "/p\xe9.dat").constData(), 0640), 0);
        QVERIFY(!SystemFile::writeAtomically(
            path, [](QIODevice &) { return false; }, &error));
        QVERIFY(SystemFile::writeAtomically(path, writeText("second"), &error));

        QFile file;
        QVERIFY(SystemFile::open(file, path, QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("second"));
        struct stat status = {};
        QCOMPARE(::stat((folder + "/p\xe9.dat").constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0640u);
        QCOMPARE(SystemFile::status(path).size, 6);
        int entries = 0; // the file and no temporary one left
        DIR *listing = ::opendir(folder.constData());
        while (const dirent *entry = ::readdir(listing))
            entries += entry->d_name[0] != '.';
        ::closedir(listing);
        QCOMPARE(entries, 1);
        ::unlink((folder + "/p\xe9.dat").constData());
    }
};

QTEST_GUILESS_MAIN(TestSystemFile)
#include "tst_systemfile.moc"
