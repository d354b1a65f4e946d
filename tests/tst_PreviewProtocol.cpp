// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PreviewChannel.h"

#include <QDataStream>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// The window's end of the talk with the preview helper: what it believes of the helper's output, and what not.
class tst_PreviewProtocol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void anAnswerComesThroughInAnyPieces();
    void refusesWhatIsNotAnAnswer_data();
    void refusesWhatIsNotAnAnswer();
    void aLateAnswerIsDropped();
    void refusesARequestItCannotServe();
};

namespace
{
CPreviewAnswer pictureAnswer(quint64 generation, QSize size = { 3, 2 })
{
    CPreviewAnswer answer;
    answer.generation = generation;
    answer.path = u"/tmp/扫描 1.pdf"_s;
    answer.imageSize = size;
    answer.imageBytes = QByteArray(size.width() * size.height() * 4, '\x7f');
    answer.info = u"PDF · 1 页"_s;
    answer.pages = 1;
    answer.pageText = u"第一章"_s;
    return answer;
}

QByteArray header(quint32 magic, quint32 length)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << length;
    return bytes;
}
} // namespace

void tst_PreviewProtocol::anAnswerComesThroughInAnyPieces()
{
    CPreviewChannel channel;
    (void)channel.ask(u"/tmp/扫描 1.pdf"_s, { 300, 400 });
    const QByteArray frame = CPreviewProtocol::answerFrame(pictureAnswer(1)) + CPreviewProtocol::answerFrame({});
    QList<CPreviewAnswer> answers;
    for (const char byte : frame)
        answers << channel.feed(QByteArray(1, byte));
    // The second frame is an answer to no question asked (generation 0): dropped, and no harm.
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.constFirst().imageBytes, pictureAnswer(1).imageBytes);
    QCOMPARE(answers.constFirst().pageText, u"第一章"_s);
    QVERIFY(!channel.isBroken());
    QVERIFY(!channel.holdsPart());
}

void tst_PreviewProtocol::refusesWhatIsNotAnAnswer_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("broken");
    const QByteArray whole = CPreviewProtocol::answerFrame(pictureAnswer(1));
    const QByteArray magic = whole.first(4);
    // A helper that ended in the middle of its answer: nothing comes, and the part is seen as a part.
    QTest::newRow("truncated") << whole.first(whole.size() - 1) << false;
    // Refused from the header alone, before the window holds a byte of it.
    QTest::newRow("oversized") << magic + header(0, CPreviewProtocol::kMostAnswerBytes + 1).sliced(4) << true;
    QTest::newRow("not ours") << header(0x12345678, 4) + "abcd" << true;
    CPreviewAnswer lying = pictureAnswer(1);
    lying.imageSize = { 4096, 4096 };
    QTest::newRow("picture smaller than its size") << CPreviewProtocol::answerFrame(lying) << true;
    CPreviewAnswer huge = pictureAnswer(1, { 5000, 1 });
    QTest::newRow("picture wider than drawn") << CPreviewProtocol::answerFrame(huge) << true;
    QByteArray padded = whole.sliced(CPreviewProtocol::kHeaderBytes) + "x";
    QTest::newRow("bytes after the answer") << magic + header(0, quint32(padded.size())).sliced(4) + padded << true;
}

void tst_PreviewProtocol::refusesWhatIsNotAnAnswer()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, broken);
    CPreviewChannel channel;
    (void)channel.ask(u"/tmp/a.pdf"_s, { 300, 400 });
    QVERIFY(channel.feed(output).isEmpty());
    QCOMPARE(channel.isBroken(), broken);
    QCOMPARE(channel.holdsPart(), !broken);
    // Once broken, even a good answer is not believed.
    if (broken)
        QVERIFY(channel.feed(CPreviewProtocol::answerFrame(pictureAnswer(1))).isEmpty());
}

void tst_PreviewProtocol::aLateAnswerIsDropped()
{
    CPreviewChannel channel;
    const QByteArray first = channel.ask(u"/tmp/a.pdf"_s, { 300, 400 });
    const QByteArray second = channel.ask(u"/tmp/b.pdf"_s, { 300, 400 });
    QCOMPARE(CPreviewProtocol::parseRequest(second.sliced(CPreviewProtocol::kHeaderBytes))->generation, 2u);
    QVERIFY(channel.feed(CPreviewProtocol::answerFrame(pictureAnswer(1))).isEmpty());
    const QList<CPreviewAnswer> answers = channel.feed(CPreviewProtocol::answerFrame(pictureAnswer(2)));
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.constFirst().generation, 2u);
    QVERIFY(!channel.isBroken());
    Q_UNUSED(first)
}

void tst_PreviewProtocol::refusesARequestItCannotServe()
{
    const auto payload = [](const QString &path, QSize box) {
        return CPreviewProtocol::requestFrame({ 7, path, box }).sliced(CPreviewProtocol::kHeaderBytes);
    };
    QCOMPARE(CPreviewProtocol::parseRequest(payload(u"/a"_s, { 10, 20 }))->box, QSize(10, 20));
    QVERIFY(!CPreviewProtocol::parseRequest(payload({}, { 10, 20 })));
    QVERIFY(!CPreviewProtocol::parseRequest(payload(u"/a"_s, { 0, 20 })));
    QVERIFY(!CPreviewProtocol::parseRequest(payload(u"/a"_s, { 10, CPreviewProtocol::kMostImageSide + 1 })));
    QVERIFY(!CPreviewProtocol::parseRequest(payload(u"/a"_s, { 10, 20 }).chopped(1)));
    QVERIFY(!CPreviewProtocol::payloadLength(header(0x504c5056, CPreviewProtocol::kMostRequestBytes + 1),
                                             CPreviewProtocol::kMostRequestBytes));
}

QTEST_GUILESS_MAIN(tst_PreviewProtocol)
#include "tst_PreviewProtocol.moc"
