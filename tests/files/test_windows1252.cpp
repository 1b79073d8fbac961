#include "files/windows1252.h"

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

    void storableInTextField() {
        for (const char16_t character : {u'A', u' ', u',', u'\'', u'É', u'ÿ', u'€', u'Ÿ', u'\t'})
            QVERIFY(kvr::storable_in_text_field(character));
        for (const char16_t character : {u'"', u'\r', u'\n', u'\u0100', u'\u0080', u'\u2603'})
            QVERIFY(!kvr::storable_in_text_field(character));
    }
};

QTEST_APPLESS_MAIN(Windows1252Test)
#include "test_windows1252.moc"
