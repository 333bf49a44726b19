#include "ui/common.h"

#include "text/textsender.h"

#include <QStringList>
#include <QWidget>

namespace tapwright::ui {

int twipsX(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

int twipsY(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiY() / 1440.0);
}

QRect twipsRect(const QWidget *widget, int left, int top, int width, int height)
{
    return QRect(twipsX(widget, left), twipsY(widget, top), twipsX(widget, width),
                 twipsY(widget, height));
}

void placeTwips(QWidget *child, int left, int top, int width, int height)
{
    child->setGeometry(twipsRect(child, left, top, width, height));
}

void setClientTwips(QWidget *window, int width, int height)
{
    window->setFixedSize(twipsX(window, width), twipsY(window, height));
}

QString japanese(const LinkError &e)
{
    const QString port = QStringLiteral("ポート ") + quotedPort(e);
    const QString because = e.reason.isEmpty() ? QString() : QStringLiteral("\n(%1)").arg(e.reason);
    switch (e.kind) {
    case LinkError::None:
        return QString();
    case LinkError::NoPortGiven:
        return QStringLiteral("ポートが指定されていません。");
    case LinkError::BadPortNumber:
        return QStringLiteral("ポート \"%1\" は正しいポート番号ではありません。\n"
                              "1 以上の番号か、デバイスのパスを指定してください。")
            .arg(e.port);
    case LinkError::NotFound:
        return QStringLiteral("%1 を開けません: デバイスがありません。").arg(port);
    case LinkError::PermissionDenied:
        return QStringLiteral("%1 を開けません: アクセスが拒否されました。\n"
                              "ユーザーを dialout グループに追加する必要があるかもしれません。%2")
            .arg(port, because);
    case LinkError::Busy:
        return QStringLiteral("%1 を開けません: 他のプログラムかウィンドウが使用中です。%2")
            .arg(port, because);
    case LinkError::OpenFailed:
        return QStringLiteral("%1 を開けません。%2").arg(port, because);
    case LinkError::WriteFailed:
        return QStringLiteral("%1 への書き込みに失敗したため、ポートを閉じました。%2")
            .arg(port, because);
    case LinkError::Stalled:
        return QStringLiteral("%1 の送信が止まったため、送信待ちのデータを破棄しました。")
            .arg(port);
    }
    return QString();
}

namespace {
/// "UTF-8" or "コードページ 932".
QString japaneseEncoding(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                          : QStringLiteral("コードページ 932");
}
} // namespace

QString japanese(const RunReport &r)
{
    switch (r.kind) {
    case RunReport::None:
        return QString();
    case RunReport::NoMacroFile:
        return QStringLiteral("マクロファイルが指定されていません。");
    case RunReport::BadCounter:
        return QStringLiteral("カウンタの値 \"%1\" は%2。\n"
                              "%3 から %4 までの整数を入力してください。")
            .arg(r.value, passCounterOutOfRange(r.value) ? QStringLiteral("範囲外です")
                                                         : QStringLiteral("整数ではありません"))
            .arg(MinPassCounter)
            .arg(MaxPassCounter);
    case RunReport::CounterOverflow:
        return atLine(
            r, QStringLiteral("REPEAT でカウンタが上限の %1 を超えます。").arg(MaxPassCounter));
    case RunReport::PortFailed:
        return japanese(r.link);
    case RunReport::MacroOpenFailed:
        return QStringLiteral("マクロファイル \"%1\" を開けません。\n(%2)").arg(r.file, r.reason);
    case RunReport::AddrOpenFailed:
        return QStringLiteral("アドレスファイル \"%1\" を開けません。\n(%2)").arg(r.file, r.reason);
    case RunReport::MacroReadFailed:
    case RunReport::AddrReadFailed:
        return QStringLiteral("\"%1\" の %2 行目より後を読めません。\n(%3)")
            .arg(r.file)
            .arg(r.line)
            .arg(r.reason);
    case RunReport::MissingNumber:
        return atLine(r, QStringLiteral("%1 には秒数が必要です。").arg(r.command));
    case RunReport::BadNumber:
        return atLine(r, QStringLiteral("%1 には秒数が必要です。\"%2\" は数値ではありません。")
                             .arg(r.command, r.value));
    case RunReport::LinkFailed:
        return r.line > 0 ? atLine(r, japanese(r.link)) : japanese(r.link);
    case RunReport::NotText:
        return QStringLiteral("\"%1\" はテキストファイルとして読めません。\n(%2)")
            .arg(r.file, r.reason);
    case RunReport::LineTooLong:
        return QStringLiteral("%1:%2: 行が長すぎます (%3 文字を超えています)。")
            .arg(r.file)
            .arg(r.line)
            .arg(MaxLineLength);
    case RunReport::CounterPastEnd:
        return QStringLiteral(
                   "カウンタ %1 はアドレスファイル \"%2\" の行数 (%3 行) を超えています。\n"
                   "何も入力していません。")
            .arg(r.value, r.file)
            .arg(r.line);
    case RunReport::Unsendable:
        return QStringLiteral("%1:%2: 入力できない文字 %3 を飛ばしました。")
            .arg(r.file)
            .arg(r.line)
            .arg(describeCharacter(r.value));
    case RunReport::EncodingGuessed:
        return QStringLiteral("%1:%2: 文字コードを %3 と推測して読みました。%4 としても読め、"
                              "その場合この行は \"%5\" です。BOM を付けるか、コードページ 932 "
                              "で保存すると確定します。")
            .arg(r.file, QString::number(r.line), japaneseEncoding(r.encoding),
                 japaneseEncoding(r.encoding == TextEncoding::Utf8 ? TextEncoding::Cp932
                                                                   : TextEncoding::Utf8),
                 visibleText(r.lineText));
    case RunReport::UnknownCommand:
        if (r.command.isEmpty())
            return QStringLiteral("%1:%2: 行が空白で始まるため何もしません。")
                .arg(r.file)
                .arg(r.line);
        return QStringLiteral("%1:%2: \"%3\" はコマンドでもキー名でもないため何もしません。")
            .arg(r.file)
            .arg(r.line)
            .arg(r.command);
    }
    return QString();
}

} // namespace tapwright::ui

namespace tapwright::ui {

namespace {

/// A text as the messages show it: one character as describeCharacter()
/// does, more with every code point, "'ｶﾞ' (U+FF76 U+FF9E)".
QString describeText(const QString &text)
{
    const bool one = text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate());
    if (one)
        return describeCharacter(text);
    QStringList codes;
    for (const char32_t c : text.toUcs4())
        codes << QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("'%1' (%2)").arg(text, codes.join(QLatin1Char(' ')));
}

/// A count with thousands separators, as the English wording has it.
QString grouped(qint64 n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString japanese(const CheckItem &item)
{
    const RunReport &r = item.report;
    QString where = r.file;
    // These reports carry a count of lines, not the line they are about.
    const bool atLine =
        r.line > 0 && !(item.kind == CheckItem::Run && (r.kind == RunReport::MacroReadFailed ||
                                                        r.kind == RunReport::AddrReadFailed ||
                                                        r.kind == RunReport::CounterPastEnd));
    if (atLine)
        where += QLatin1Char(':') + QString::number(r.line);
    const QString head =
        where + (item.isError() ? QStringLiteral(": エラー: ") : QStringLiteral(": 警告: "));

    switch (item.kind) {
    case CheckItem::Run:
        break;
    case CheckItem::NegativeWait:
        return head + QStringLiteral("%1 %2: 負の待ち時間では待ちません。").arg(r.command, r.value);
    case CheckItem::LongWait:
        return head + QStringLiteral("%1 %2: 1 日 (%3 秒) を超える待ち時間です。")
                          .arg(r.command, r.value, grouped(qint64(LongWaitSeconds)));
    case CheckItem::HashLine:
        if (r.command == QLatin1String("#"))
            return head + QStringLiteral("この行は # キーを押します。コメント行はありません。");
        return head + QStringLiteral("この行は何もしません。コメント行はありません "
                                     "(\"%1\" はコマンドでもキー名でもありません)。")
                          .arg(r.command);
    case CheckItem::Unreachable:
        return head + QStringLiteral("%1 行目の REPEAT でパスが最初に戻るため、"
                                     "この行から後は実行されません。")
                          .arg(item.count);
    case CheckItem::GetStrNoAddress:
        return head + QStringLiteral("アドレスファイルがないため GETSTR は何も読まず、"
                                     "SENDSTR は何も入力しません。");
    case CheckItem::NoGetStr:
        return head +
               QStringLiteral("マクロに GETSTR がないため、アドレスファイルは読まれません。");
    case CheckItem::NoRepeat:
        return head + QStringLiteral("マクロに REPEAT がないため 1 回だけ実行され、カウンタから"
                                     "後のアドレス %1 行のうち最初の %2 行だけを使います。")
                          .arg(grouped(item.total), grouped(item.count));
    case CheckItem::PartialLastPass:
        return head +
               QStringLiteral("アドレスがパスの途中で尽きます。最後のパスはアドレス %1 行の"
                              "うち %2 行だけです (カウンタから後 %3 行)。")
                   .arg(grouped(item.count), grouped(item.total % item.count), grouped(item.total));
    case CheckItem::NoAddressLeft:
        return head + QStringLiteral("カウンタから後にアドレスの行がありません。"
                                     "最初の GETSTR で実行が終わります。");
    case CheckItem::MoreFindings:
        return head + QStringLiteral("ほかに %1 行に警告があります (一覧には載せていません)。")
                          .arg(grouped(item.count));
    }

    switch (r.kind) {
    case RunReport::MacroOpenFailed:
        return head + QStringLiteral("マクロファイルを開けません (%1)。").arg(r.reason);
    case RunReport::AddrOpenFailed:
        return head + QStringLiteral("アドレスファイルを開けません (%1)。").arg(r.reason);
    case RunReport::MacroReadFailed:
    case RunReport::AddrReadFailed:
        return head + QStringLiteral("%1 行目より後を読めません (%2)。").arg(r.line).arg(r.reason);
    case RunReport::NotText:
        return head + QStringLiteral("テキストファイルとして読めません (%1)。").arg(r.reason);
    case RunReport::LineTooLong:
        return head + QStringLiteral("行が長すぎます (%1 文字を超えています)。").arg(MaxLineLength);
    case RunReport::MissingNumber:
        return head + QStringLiteral("%1 には秒数が必要です。").arg(r.command);
    case RunReport::BadNumber:
        return head + QStringLiteral("%1 には秒数が必要です。\"%2\" は数値ではありません。")
                          .arg(r.command, r.value);
    case RunReport::CounterPastEnd:
        return head + QStringLiteral("カウンタ %1 はアドレスファイルの行数 (%2 行) を超えています。"
                                     "何も入力されません。")
                          .arg(r.value, grouped(r.line));
    case RunReport::Unsendable: {
        if (item.characters.size() <= 1)
            return head +
                   QStringLiteral("入力できない文字 %1 は飛ばされます。")
                       .arg(describeCharacter(r.value)) +
                   (item.suggestion.isEmpty() ? QString()
                                              : QStringLiteral("代わりに %1 を使えます。")
                                                    .arg(describeText(item.suggestion)));
        QStringList named;
        for (const CheckItem::Character &c : item.characters)
            named << describeCharacter(c.text) +
                         (c.suggestion.isEmpty()
                              ? QString()
                              : QStringLiteral(" (代わりに %1)").arg(describeText(c.suggestion)));
        return head + QStringLiteral("入力できない文字 %1 個は飛ばされます: %2。")
                          .arg(grouped(item.characters.size()), named.join(QStringLiteral("、")));
    }
    case RunReport::EncodingGuessed:
        return head +
               QStringLiteral("文字コードを %1 と推測して読みます。%2 としても読め、"
                              "その場合この行は \"%3\" です。BOM を付けるか、"
                              "コードページ 932 で保存すると確定します。")
                   .arg(japaneseEncoding(r.encoding),
                        japaneseEncoding(r.encoding == TextEncoding::Utf8 ? TextEncoding::Cp932
                                                                          : TextEncoding::Utf8),
                        visibleText(r.lineText));
    case RunReport::UnknownCommand:
        if (r.command.isEmpty())
            return head + QStringLiteral("行が空白で始まるためコマンドが空で、何もしません。") +
                   (item.suggestion.isEmpty()
                        ? QString()
                        : QStringLiteral("(空白がなければ \"%1\" です。)").arg(item.suggestion));
        return head + QStringLiteral("\"%1\" はコマンドでもキー名でもありません。").arg(r.command) +
               (item.suggestion.isEmpty()
                    ? QStringLiteral("何もしません。")
                    : QStringLiteral("\"%1\" のことですか?").arg(item.suggestion));
    // The run's other reports (the port, the counter box) have no place in a
    // check; word them as the run does, on one line.
    case RunReport::CounterOverflow:
        return head +
               QStringLiteral("REPEAT でカウンタが上限の %1 を超えます。").arg(MaxPassCounter);
    case RunReport::PortFailed:
    case RunReport::LinkFailed:
        return head + japanese(r.link).section(QLatin1Char('\n'), 0, 0);
    case RunReport::None:
    case RunReport::NoMacroFile:
    case RunReport::BadCounter:
        return head + japanese(r).section(QLatin1Char('\n'), 0, 0);
    }
    return head;
}

QString japanese(const Estimate &e)
{
    if (e.passes == Estimate::Unknown)
        return QStringLiteral("見積もり: なし (ファイルにエラーがあります)。");
    QString text = QStringLiteral("見積もり: 1 回 %1 フレーム、%2")
                       .arg(grouped(e.framesPerPass), japaneseDuration(e.secondsPerPass));
    if (e.typesAddresses)
        text += QStringLiteral(" (アドレスを除く)");
    text += QStringLiteral("。");
    switch (e.passes) {
    case Estimate::Unknown:
        break;
    case Estimate::OnePass:
        text += QStringLiteral("REPEAT がないため 1 回だけ。");
        break;
    case Estimate::UntilStopped:
        return text + QStringLiteral("停止するまで繰り返します。");
    case Estimate::FromAddresses:
        text += QStringLiteral("アドレスファイルから %1 回。").arg(grouped(e.passCount));
        break;
    }
    return text + QStringLiteral("全体で約 %1。").arg(japaneseDuration(e.totalSeconds));
}

QString japaneseVerdict(const CheckReport &report)
{
    qint64 errors = 0, warnings = 0;
    for (const CheckItem &item : report.items)
        ++(item.isError() ? errors : warnings);
    if (errors > 0)
        return QStringLiteral("エラー %1 件、警告 %2 件: このままでは実行が止まります。")
            .arg(errors)
            .arg(warnings);
    if (warnings > 0)
        return QStringLiteral("エラーはありません (警告 %1 件)。").arg(warnings);
    return QStringLiteral("問題はありません。");
}

QString japaneseDuration(double seconds)
{
    static const DurationUnits units{QStringLiteral("秒"), QStringLiteral("分"),
                                     QStringLiteral("時間"), QStringLiteral("日")};
    return describeDuration(seconds, units);
}

} // namespace tapwright::ui
