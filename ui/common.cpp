#include "ui/common.h"

#include "text/textsender.h"

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
        return QStringLiteral("%1 の送信が止まったため、送信待ちのデータを破棄しました。").arg(port);
    }
    return QString();
}

QString japanese(const RunReport &r)
{
    switch (r.kind) {
    case RunReport::None:
        return QString();
    case RunReport::NoMacroFile:
        return QStringLiteral("マクロファイルが指定されていません。");
    case RunReport::BadCounter:
        return QStringLiteral("カウンタの値 \"%1\" は整数ではありません。\n"
                              "%2 から %3 までの整数を入力してください。")
            .arg(r.value)
            .arg(MinPassCounter)
            .arg(MaxPassCounter);
    case RunReport::CounterOverflow:
        return atLine(r, QStringLiteral("REPEAT でカウンタが上限の %1 を超えます。").arg(MaxPassCounter));
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
        return QStringLiteral("カウンタ %1 はアドレスファイル \"%2\" の行数 (%3 行) を超えています。\n"
                              "何も入力していません。")
            .arg(r.value, r.file)
            .arg(r.line);
    case RunReport::Unsendable:
        return QStringLiteral("%1:%2: 入力できない文字 %3 を飛ばしました。")
            .arg(r.file)
            .arg(r.line)
            .arg(describeCharacter(r.value));
    case RunReport::UnknownCommand:
        if (r.command.isEmpty())
            return QStringLiteral("%1:%2: 行が空白で始まるため何もしません。").arg(r.file).arg(r.line);
        return QStringLiteral("%1:%2: \"%3\" はコマンドでもキー名でもないため何もしません。")
            .arg(r.file)
            .arg(r.line)
            .arg(r.command);
    }
    return QString();
}

} // namespace tapwright::ui
