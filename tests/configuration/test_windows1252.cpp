#include "configuration/texts.h"
#include "configuration/windows1252.h"

#include <QStringDecoder>
#include <QTest>

class Windows1252Test : public QObject {
    Q_OBJECT

  private slots:
    void everyByteMapsLikeQtsDecoderAndBack() {
        std::string all_bytes;
        for (int byte = 0; byte < 256; ++byte)
            all_bytes += static_cast<char>(byte);
        const std::u16string text = kvr::from_windows1252(all_bytes);

        QStringDecoder qt_decoder("windows-1252");
        QVERIFY(qt_decoder.isValid());
        const QString expected = qt_decoder.decode(QByteArray::fromStdString(all_bytes));
        QCOMPARE(QString::fromStdU16String(text), expected);
        QCOMPARE(kvr::to_windows1252(text).value(), all_bytes);
    }

    void charactersWithoutByteFail() {
        QCOMPARE(kvr::to_windows1252(u"CAFÉ €").value(), "CAF\xC9 \x80");
        for (const char16_t character :
             {u'\u0080', u'\u009F', u'\u0100', u'\u20AD', char16_t(0xD800)})
            QVERIFY(!kvr::to_windows1252(std::u16string(u"ok") + character));
        QCOMPARE(kvr::to_windows1252(u"").value(), "");
    }

    // A text keeps what reads back unchanged, the five undefined bytes included, and no
    // control character: a tab typed into a box would vanish on the next open.
    void carriedInFileText() {
        for (const char16_t character :
             {u'A', u' ', u',', u'\'', u'É', u'ÿ', u'€', u'Ÿ', u'\u0081', u'\u009D'})
            QVERIFY(kvr::carried_in_file_text(character));
        for (const char16_t character :
             {u'"', u'\t', u'\r', u'\n', u'\0', u'\x7F', u'\u0100', u'\u0080', u'\u2603'})
            QVERIFY(!kvr::carried_in_file_text(character));
        QCOMPARE(kvr::carried_file_text("A\x81\tB\x8D\x8F\x90\x9D\x7F\x01"),
                 std::string("A\x81" "B\x8D\x8F\x90\x9D"));
    }
};

QTEST_APPLESS_MAIN(Windows1252Test)
#include "test_windows1252.moc"
