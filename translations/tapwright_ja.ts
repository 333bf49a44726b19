<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Messages</name>
    <message>
        <source>%1 line</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>%1 lines</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>%1 address line</source>
        <translation>アドレス %1 行</translation>
    </message>
    <message>
        <source>%1 address lines</source>
        <translation>アドレス %1 行</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>ポート %1</translation>
    </message>
    <message>
        <source>%1 needs a number of seconds after one space; with two spaces the number is empty</source>
        <translation>%1 には秒数が必要です。%1 の後に空白が 2 つあるため、秒数が空になっています。空白は 1 つにしてください。</translation>
    </message>
    <message>
        <source>%1 needs a number of seconds</source>
        <translation>%1 には秒数が必要です。</translation>
    </message>
    <message>
        <source>%1 needs a number of seconds, got &quot;%2&quot;</source>
        <translation>%1 には秒数が必要です。&quot;%2&quot; は数値ではありません。</translation>
    </message>
    <message>
        <source>no serial port given</source>
        <translation>ポートが指定されていません。</translation>
    </message>
    <message>
        <source>port &quot;%1&quot; is not a valid port number (use 1 or more, or a device path)</source>
        <translation>ポート &quot;%1&quot; は正しいポート番号ではありません。
1 以上の番号か、デバイスのパスを指定してください。</translation>
    </message>
    <message>
        <source>cannot open %1: no such device</source>
        <translation>%1 を開けません: デバイスがありません。</translation>
    </message>
    <message>
        <source>cannot open %1 (the user may need to be in the &quot;dialout&quot; group)</source>
        <translation>%1 を開けません: アクセスが拒否されました。
ユーザーを dialout グループに追加する必要があるかもしれません。</translation>
    </message>
    <message>
        <source>cannot open %1: %2 (the user may need to be in the &quot;dialout&quot; group)</source>
        <translation>%1 を開けません: アクセスが拒否されました。
ユーザーを dialout グループに追加する必要があるかもしれません。
(%2)</translation>
    </message>
    <message>
        <source>cannot open %1: it is in use by another program or window</source>
        <translation>%1 を開けません: 他のプログラムかウィンドウが使用中です。</translation>
    </message>
    <message>
        <source>cannot open %1</source>
        <translation>%1 を開けません。</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 を開けません。
(%2)</translation>
    </message>
    <message>
        <source>writing to %1 failed; the port was closed</source>
        <translation>%1 への書き込みに失敗したため、ポートを閉じました。</translation>
    </message>
    <message>
        <source>writing to %1 failed: %2; the port was closed</source>
        <translation>%1 への書き込みに失敗したため、ポートを閉じました。
(%2)</translation>
    </message>
    <message>
        <source>%1 stopped sending; the frames still queued were dropped</source>
        <translation>%1 の送信が止まったため、送信待ちのデータを破棄しました。</translation>
    </message>
    <message>
        <source>no macro file chosen</source>
        <translation>マクロファイルが指定されていません。</translation>
    </message>
    <message>
        <source>the pass counter must be written in half-width digits, got &quot;%1&quot;</source>
        <translation>カウンタの値 &quot;%1&quot; に全角の数字があります。
半角の数字で入力してください。</translation>
    </message>
    <message>
        <source>the pass counter must be a number of passes from 0 to %1, got &quot;%2&quot; (out of range)</source>
        <translation>カウンタの値 &quot;%2&quot; は範囲外です。
0 から %1 までの回数を入力してください。</translation>
    </message>
    <message>
        <source>the pass counter must be a number of passes from 0 to %1, got &quot;%2&quot;</source>
        <translation>カウンタの値 &quot;%2&quot; は整数ではありません。
0 から %1 までの回数を入力してください。</translation>
    </message>
    <message>
        <source>REPEAT cannot raise the pass counter past %1</source>
        <translation>REPEAT でカウンタが上限の %1 を超えます。</translation>
    </message>
    <message>
        <source>cannot open macro file &quot;%1&quot;: %2</source>
        <translation>マクロファイル &quot;%1&quot; を開けません。
(%2)</translation>
    </message>
    <message>
        <source>cannot open address file &quot;%1&quot;: %2</source>
        <translation>アドレスファイル &quot;%1&quot; を開けません。
(%2)</translation>
    </message>
    <message>
        <source>%1: reading failed after line %2: %3</source>
        <translation>&quot;%1&quot; の %2 行目より後を読めません。
(%3)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <comment>a file that is no text file, and why</comment>
        <translation>&quot;%1&quot; はテキストファイルとして読めません。
(%2)</translation>
    </message>
    <message>
        <source>%1:%2: line too long (more than %3 characters)</source>
        <translation>%1:%2: 行が長すぎます (%3 文字を超えています)。</translation>
    </message>
    <message>
        <source>%1:%2: warning: cannot enter %3, skipped</source>
        <translation>%1:%2: 入力できない文字 %3 を飛ばしました。</translation>
    </message>
    <message>
        <source>%1:%2: warning: the line starts with a space, so its command word is empty; the step does nothing</source>
        <translation>%1:%2: 行が空白で始まるため何もしません。</translation>
    </message>
    <message>
        <source>%1:%2: warning: &quot;%3&quot; is neither a command nor a key name; the step does nothing</source>
        <translation>%1:%2: &quot;%3&quot; はコマンドでもキー名でもないため何もしません。</translation>
    </message>
    <message>
        <source>%1 %2: a negative wait does not wait</source>
        <translation>%1 %2: 負の待ち時間では待ちません。</translation>
    </message>
    <message>
        <source>%1 %2: more than a day (%3 s)</source>
        <translation>%1 %2: 1 日 (%3 秒) を超える待ち時間です。</translation>
    </message>
    <message>
        <source>the line presses the # key; there are no comments</source>
        <translation>この行は # キーを押します。コメント行はありません。</translation>
    </message>
    <message>
        <source>the line does nothing; there are no comments (&quot;%1&quot; is neither a command nor a key name)</source>
        <translation>この行は何もしません。コメント行はありません (&quot;%1&quot; はコマンドでもキー名でもありません)。</translation>
    </message>
    <message>
        <source>REPEAT on line %1 starts the pass again: this line and the ones after it are never reached</source>
        <translation>%1 行目の REPEAT でパスが最初に戻るため、この行から後は実行されません。</translation>
    </message>
    <message>
        <source>GETSTR reads nothing: there is no address file, so SENDSTR types nothing</source>
        <translation>アドレスファイルがないため GETSTR は何も読まず、SENDSTR は何も入力しません。</translation>
    </message>
    <message>
        <source>there is no GETSTR in the macro, so the address file is never read</source>
        <translation>マクロに GETSTR がないため、アドレスファイルは読まれません。</translation>
    </message>
    <message>
        <source>there is no REPEAT in the macro, so it runs once and uses only the first of the %1 from the counter on</source>
        <translation>マクロに REPEAT がないため 1 回だけ実行され、カウンタから後の%1のうち最初の 1 つだけを使います。</translation>
    </message>
    <message>
        <source>there is no REPEAT in the macro, so it runs once and uses only the first %1 of the %2 from the counter on</source>
        <translation>マクロに REPEAT がないため 1 回だけ実行され、カウンタから後の%2のうち最初の %1 つだけを使います。</translation>
    </message>
    <message>
        <source>the address list runs out part-way through a pass: the last pass gets only %1 of its %2 (%3 from the counter on)</source>
        <translation>アドレスがパスの途中で尽きます。最後のパスは%2のうち %1 つだけです (カウンタから後 %3)。</translation>
    </message>
    <message>
        <source>no address line is left from the counter on; the run ends at the first GETSTR</source>
        <translation>カウンタから後にアドレスの行がありません。最初の GETSTR で実行が終わります。</translation>
    </message>
    <message>
        <source>cannot open macro file: %1</source>
        <translation>マクロファイルを開けません (%1)。</translation>
    </message>
    <message>
        <source>cannot open address file: %1</source>
        <translation>アドレスファイルを開けません (%1)。</translation>
    </message>
    <message>
        <source>reading failed after line %1: %2</source>
        <translation>%1 行目より後を読めません (%2)。</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a file that is no text file: the reader&apos;s reason</comment>
        <translation>テキストファイルとして読めません (%1)。</translation>
    </message>
    <message>
        <source>line too long (more than %1 characters)</source>
        <translation>行が長すぎます (%1 文字を超えています)。</translation>
    </message>
    <message>
        <source>the pass counter %1 is past the end of the address file (%2); nothing would be typed</source>
        <translation>カウンタ %1 はアドレスファイルの行数 (%2) を超えています。何も入力されません。</translation>
    </message>
    <message>
        <source>cannot enter %1</source>
        <translation>入力できない文字 %1 は飛ばされます。</translation>
    </message>
    <message>
        <source>cannot enter %1; use %2</source>
        <translation>入力できない文字 %1 は飛ばされます。代わりに %2 を使えます。</translation>
    </message>
    <message>
        <source>the line starts with a space, so its command word is empty; the step does nothing</source>
        <translation>行が空白で始まるためコマンドが空で、何もしません。</translation>
    </message>
    <message>
        <source>the line starts with a space, so its command word is empty; the step does nothing (without the space it would be &quot;%1&quot;)</source>
        <translation>行が空白で始まるためコマンドが空で、何もしません。(空白がなければ &quot;%1&quot; です。)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is neither a command nor a key name; the step does nothing</source>
        <translation>&quot;%1&quot; はコマンドでもキー名でもありません。何もしません。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is neither a command nor a key name; did you mean &quot;%2&quot;?</source>
        <translation>&quot;%1&quot; はコマンドでもキー名でもありません。&quot;%2&quot; のことですか?</translation>
    </message>
    <message>
        <source>%1: error: %2</source>
        <translation>%1: エラー: %2</translation>
    </message>
    <message>
        <source>%1: warning: %2</source>
        <translation>%1: 警告: %2</translation>
    </message>
    <message>
        <source>s</source>
        <comment>unit of time: seconds</comment>
        <translation>秒</translation>
    </message>
    <message>
        <source>min</source>
        <comment>unit of time: minutes</comment>
        <translation>分</translation>
    </message>
    <message>
        <source>h</source>
        <comment>unit of time: hours</comment>
        <translation>時間</translation>
    </message>
    <message>
        <source>d</source>
        <comment>unit of time: days</comment>
        <translation>日</translation>
    </message>
    <message>
        <source>estimate: none, the files have errors</source>
        <translation>見積もり: なし (ファイルにエラーがあります)。</translation>
    </message>
    <message>
        <source>%1 frame</source>
        <translation>%1 フレーム</translation>
    </message>
    <message>
        <source>%1 frames</source>
        <translation>%1 フレーム</translation>
    </message>
    <message>
        <source>estimate: %1, %2 a pass (without the addresses)</source>
        <translation>見積もり: 1 回 %1、%2 (アドレスを除く)</translation>
    </message>
    <message>
        <source>estimate: %1, %2 a pass</source>
        <translation>見積もり: 1 回 %1、%2</translation>
    </message>
    <message>
        <source>%1; until stopped</source>
        <translation>%1。停止するまで繰り返します。</translation>
    </message>
    <message>
        <source>%1; %2 from the address list; about %3 in all</source>
        <translation>%1。アドレスファイルから %2。全体で約 %3。</translation>
    </message>
    <message>
        <source>%1 pass</source>
        <translation>%1 回</translation>
    </message>
    <message>
        <source>%1 passes</source>
        <translation>%1 回</translation>
    </message>
    <message>
        <source>%1; one pass; about %2 in all</source>
        <translation>%1。REPEAT がないため 1 回だけ。全体で約 %2。</translation>
    </message>
    <message>
        <source>%1 warning</source>
        <translation>警告 %1 件</translation>
    </message>
    <message>
        <source>%1 warnings</source>
        <translation>警告 %1 件</translation>
    </message>
    <message>
        <source>%1, %2: as they are, the files stop the run</source>
        <translation>%1、%2: このままでは実行が止まります。</translation>
    </message>
    <message>
        <source>%1 error</source>
        <translation>エラー %1 件</translation>
    </message>
    <message>
        <source>%1 errors</source>
        <translation>エラー %1 件</translation>
    </message>
    <message>
        <source>no errors (%1)</source>
        <translation>エラーはありません (%1)。</translation>
    </message>
    <message>
        <source>no problems found</source>
        <translation>問題はありません。</translation>
    </message>
    <message>
        <source>tab</source>
        <translation>タブ</translation>
    </message>
    <message>
        <source>line break</source>
        <translation>改行</translation>
    </message>
    <message>
        <source>cannot open %1: it is not a serial port</source>
        <translation>%1 を開けません: シリアルポートではありません。</translation>
    </message>
    <message>
        <source>UTF-8</source>
        <translation>UTF-8</translation>
    </message>
    <message>
        <source>code page 932</source>
        <translation>コードページ 932</translation>
    </message>
    <message>
        <source>read as %1, a guess: the file is also valid %2, in which this line reads &quot;%3&quot;; saving it as UTF-8 with a byte order mark settles it</source>
        <translation>文字コードを %1 と推測して読みます。%2 としても読め、その場合この行は &quot;%3&quot; です。BOM 付きの UTF-8 で保存すると確定します。</translation>
    </message>
    <message>
        <source>%1:%2: warning: %3</source>
        <translation>%1:%2: %3</translation>
    </message>
    <message>
        <source>and 1 more line with warnings, not listed</source>
        <translation>ほかに 1 行に警告があります (一覧には載せていません)。</translation>
    </message>
    <message>
        <source>and %1 more lines with warnings, not listed</source>
        <translation>ほかに %1 行に警告があります (一覧には載せていません)。</translation>
    </message>
    <message>
        <source>%1 (use %2)</source>
        <comment>a character and what to use instead</comment>
        <translation>%1 (代わりに %2)</translation>
    </message>
    <message>
        <source>cannot enter %1 characters: %2</source>
        <translation>入力できない文字 %1 個は飛ばされます: %2。</translation>
    </message>
    <message>
        <source>, </source>
        <comment>between the characters of a list</comment>
        <translation>、</translation>
    </message>
    <message>
        <source>tapwright: the windows need a desktop session, and there is none here (neither DISPLAY nor WAYLAND_DISPLAY is set); tapwright-cli works without one</source>
        <translation>tapwright: ウィンドウを表示するにはデスクトップセッションが必要ですが、ここにはありません (DISPLAY も WAYLAND_DISPLAY も設定されていません)。tapwright-cli はデスクトップなしで使えます。</translation>
    </message>
    <message>
        <source>a key takes no count: &quot;%1 %2&quot; presses %1 once; write one line for each press</source>
        <translation>キー名の後に回数は書けません。&quot;%1 %2&quot; は %1 を 1 回だけ押します。押す回数だけ行を書いてください。</translation>
    </message>
    <message>
        <source>REPEAT takes no count: &quot;REPEAT %1&quot; starts the macro file again and counts one pass, until stopped or the address list ends</source>
        <translation>REPEAT の後に回数は書けません。&quot;REPEAT %1&quot; はマクロファイルを最初から実行し直し、カウンタを 1 増やします。停止するかアドレスのリストが終わるまで繰り返します。</translation>
    </message>
    <message>
        <source>STRING with two spaces after it types nothing; &quot;%1&quot; after them is not typed</source>
        <translation>STRING の後に空白が 2 つあるため、何も入力しません。その後の &quot;%1&quot; は入力しません。</translation>
    </message>
    <message>
        <source>STRING types its text only up to the first space: &quot;%1&quot; is typed, &quot;%2&quot; is not</source>
        <translation>STRING が入力するのは最初の空白までです。&quot;%1&quot; を入力し、&quot;%2&quot; は入力しません。</translation>
    </message>
    <message>
        <source>the check found %1 in the files: nothing was sent</source>
        <translation>実行前の検査でファイルに%1が見つかりました。何も送っていません。</translation>
    </message>
    <message>
        <source>warning: cannot write the run&apos;s journal &quot;%1&quot;: %2; the run goes on, but cannot be resumed from it after a crash</source>
        <translation>警告: 実行記録 &quot;%1&quot; を書き込めません: %2。実行は続けますが、異常終了のあとこの記録から再開することはできません</translation>
    </message>
    <message>
        <source>%1 entry</source>
        <translation>%1 件</translation>
    </message>
    <message>
        <source>%1 entries</source>
        <translation>%1 件</translation>
    </message>
    <message>
        <source>%1 field</source>
        <translation>%1 個</translation>
    </message>
    <message>
        <source>%1 fields</source>
        <translation>%1 個</translation>
    </message>
    <message>
        <source>SENDSTR takes the number of a field, a whole number from 1 up, got &quot;%1&quot;</source>
        <translation>SENDSTR にはフィールドの番号 (1 以上の整数) が必要です。&quot;%1&quot; は番号ではありません。</translation>
    </message>
    <message>
        <source>the quote that opens a field on this line is never closed</source>
        <translation>この行でフィールドを始める引用符 (&quot;) が閉じられていません。</translation>
    </message>
    <message>
        <source>%1: the pass counter %2 is past the end of the address file (%3); nothing was typed</source>
        <translation>カウンタ %2 はアドレスファイル &quot;%1&quot; の長さ (%3) を超えています。
何も入力していません。</translation>
    </message>
    <message>
        <source>%1:%2: warning: the entry has %3, no field %4: SENDSTR %4 typed nothing</source>
        <translation>%1:%2: このエントリのフィールドは %3で、フィールド %4 はありません。SENDSTR %4 では何も入力していません。</translation>
    </message>
    <message>
        <source>%1:%2: warning: field %3: cannot enter %4, skipped</source>
        <translation>%1:%2: フィールド %3 の入力できない文字 %4 を飛ばしました。</translation>
    </message>
    <message>
        <source>no entry is left from the counter on; the run ends at the first GETSTR</source>
        <translation>カウンタから後にエントリがありません。最初の GETSTR で実行が終わります。</translation>
    </message>
    <message>
        <source>the line holds tabs, which cannot be entered, and SENDSTR on line %1 of the macro types whole lines; SENDSTR 1 types the first field, SENDSTR 2 the second, and so on</source>
        <translation>この行には入力できないタブがあり、マクロの %1 行目の SENDSTR は行全体を入力します。SENDSTR 1 で 1 番目のフィールド、SENDSTR 2 で 2 番目のフィールドを入力できます。</translation>
    </message>
    <message>
        <source>the entry has %1, no field %2: SENDSTR %2 types nothing for it</source>
        <translation>このエントリのフィールドは %1で、フィールド %2 はありません。SENDSTR %2 では何も入力されません。</translation>
    </message>
    <message>
        <source>field %1: %2</source>
        <translation>フィールド %1: %2</translation>
    </message>
    <message>
        <source>the space in &quot;%1&quot; was not recorded: STRING cannot hold a space, so the device gets the parts without it</source>
        <translation>&quot;%1&quot; の空白は記録されていません。STRING は空白を含められないため、デバイスには空白を除いた部分が送られます。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is the next entry: recorded as SENDSTR, so each pass types its own entry</source>
        <translation>&quot;%1&quot; は次のエントリ全体です。SENDSTR として記録したので、各パスでそのパスのエントリを入力します。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is field %2 of the next entry: recorded as SENDSTR %2, so each pass types that field of its own entry</source>
        <translation>&quot;%1&quot; は次のエントリのフィールド %2 です。SENDSTR %2 として記録したので、各パスでそのパスのエントリのフィールド %2 を入力します。</translation>
    </message>
    <message>
        <source>the key %1 was not recorded: no macro name presses it</source>
        <translation>キー %1 は記録されていません。このキーを押すマクロ名がありません。</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>%1 行目: %2</translation>
    </message>
    <message>
        <source>UTF-16</source>
        <translation>UTF-16</translation>
    </message>
    <message>
        <source>UTF-32</source>
        <translation>UTF-32</translation>
    </message>
    <message>
        <source>port %1 is gone; waiting for it to come back</source>
        <translation>ポート %1 がなくなりました。戻るのを待っています</translation>
    </message>
    <message>
        <source>port %1 is back: bring the handheld back to where a pass starts, clearing the half-typed entry, then %2</source>
        <translation>ポート %1 が戻りました。携帯端末をパスの始まりの状態に戻し (入力途中の項目は消します)、%2</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>待機中</translation>
    </message>
    <message>
        <source>running</source>
        <translation>実行中</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>一時停止中</translation>
    </message>
    <message>
        <source>port gone</source>
        <translation>ポートなし</translation>
    </message>
    <message>
        <source>done</source>
        <translation>完了</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失敗</translation>
    </message>
    <message>
        <source>no port given for the run</source>
        <translation>実行するポートが指定されていません。</translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; is given twice: a serial port can drive one device only</source>
        <translation>ポート &quot;%1&quot; が二度指定されています。シリアルポート 1 つで動かせる装置は 1 台だけです。</translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; is in use by %2</source>
        <translation>ポート &quot;%1&quot; は%2で使用中です。</translation>
    </message>
    <message>
        <source>the check found errors in the files: nothing was sent</source>
        <translation>実行前の検査でファイルにエラーが見つかりました。何も送っていません。</translation>
    </message>
</context>
<context>
    <name>tapwright-cli</name>
    <message>
        <source>drop the pacing on any port, for a device
with a buffer of its own</source>
        <translation>どのポートでも送信の間隔調整をしません
(バッファを持つ装置向け)</translation>
    </message>
    <message>
        <source>show this text, also after any command</source>
        <translation>この説明を表示します (どのコマンドの後でも)</translation>
    </message>
    <message>
        <source>key needs at least one key name</source>
        <translation>key にはキー名が 1 つ以上必要です</translation>
    </message>
    <message>
        <source>press keys by their macro names (UP, &amp;ENTER,
F12, 5, #, ...); case does not matter</source>
        <translation>マクロのキー名 (UP、&amp;ENTER、F12、5、# など) で
キーを押します。大文字と小文字は区別しません</translation>
    </message>
    <message>
        <source>type needs exactly one TEXT argument (quote it)</source>
        <translation>type には TEXT がちょうど 1 つ必要です (引用符で囲んでください)</translation>
    </message>
    <message>
        <source>type TEXT (UTF-8) character by character;
characters the device cannot enter are
skipped and listed</source>
        <translation>TEXT (UTF-8) を 1 文字ずつ入力します。
装置が入力できない文字は飛ばして一覧します</translation>
    </message>
    <message>
        <source>run needs exactly one MACRO file</source>
        <translation>run には MACRO ファイルがちょうど 1 つ必要です</translation>
    </message>
    <message>
        <source>check needs exactly one MACRO file</source>
        <translation>check には MACRO ファイルがちょうど 1 つ必要です</translation>
    </message>
    <message>
        <source>read both files as a run would, report what
the run would stumble on (FILE:LINE:
error|warning: ...) and estimate how long it
takes; sends nothing; exit status 1 when
there are errors</source>
        <translation>実行と同じように両方のファイルを読み、実行が
つまずく所を報告し (FILE:LINE: エラー|警告: ...)、
かかる時間を見積もります。何も送信しません。
エラーがあると終了ステータスは 1 です</translation>
    </message>
    <message>
        <source>monitor takes at most one PORT</source>
        <translation>monitor に指定できる PORT は 1 つまでです</translation>
    </message>
    <message>
        <source>show what arrives on PORT, decoded; without
PORT, create a virtual terminal (a
pseudo-terminal) and print its path, for
any program to send to</source>
        <translation>PORT に届いたものを解読して表示します。
PORT がなければ仮想端末 (疑似端末) を作り、
そのパスを表示します。どのプログラムからも
送信できます</translation>
    </message>
    <message>
        <source>show this text</source>
        <translation>この説明を表示します</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>%1 というオプションはありません</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 には値が必要です</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>コマンドが指定されていません</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;</source>
        <translation>&quot;%1&quot; というコマンドはありません</translation>
    </message>
    <message>
        <source>%1 needs --port PORT</source>
        <translation>%1 には --port PORT が必要です</translation>
    </message>
    <message>
        <source>--counter must be a number of passes from 0 to %1, got &quot;%2&quot;</source>
        <translation>--counter には 0 から %1 までの回数を指定してください (&quot;%2&quot; が指定されました)</translation>
    </message>
    <message>
        <source>usage: tapwright-cli COMMAND [OPTIONS] ARGUMENTS

Drives the key-press injector on a serial port (600 baud, 8E1, write-only).
</source>
        <translation>使い方: tapwright-cli COMMAND [OPTIONS] ARGUMENTS

シリアルポートのキー入力装置を操作します (600 ボー、8E1、送信のみ)。
</translation>
    </message>
    <message>
        <source>Commands:</source>
        <translation>コマンド:</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>オプション:</translation>
    </message>
    <message>
        <source>what follows is an argument, even when it
starts with -</source>
        <translation>これより後は - で始まっても引数です</translation>
    </message>
    <message>
        <source>PORT is a number n for the system&apos;s serial port n (1 is /dev/ttyS0 on Linux,
COM1 on Windows), a device name or path (/dev/ttyUSB0, /dev/serial/by-id/...,
/dev/pts/4), or &quot;virtual&quot;: a terminal inside this program that prints what the
device would enter, at the pace of the real line (add --fast to drop the
pacing). There is no default port.

A run hands the port no more frames than the line can carry (about 147 ms a
frame at 600 baud), so that the steps, addresses and pass counter it prints
are what the device has received; --fast drops that pacing on any port, for a
device with a buffer of its own.

Every command returns only after every frame has left the port.
Exit status: 0 done (for run also: stopped, or the address list is done),
1 the port or a file failed, 2 the command line was wrong (nothing was sent).
</source>
        <translation>PORT は、システムのシリアルポート n を表す番号 n (Linux では 1 が /dev/ttyS0、
Windows では COM1)、デバイス名かパス (/dev/ttyUSB0、/dev/serial/by-id/...、
/dev/pts/4)、または &quot;virtual&quot; です。&quot;virtual&quot; はこのプログラムの中の端末で、
装置が入力するはずのものを実際の回線の速さで表示します (--fast で間隔調整を
やめます)。既定のポートはありません。

実行では、回線が運べる以上のフレームをポートに渡しません (600 ボーで 1 フレーム
約 147 ms)。そのため、表示されるステップ、アドレス、カウンタは装置が受け取った
ものです。--fast はどのポートでもこの間隔調整をやめます (バッファを持つ装置向け)。

どのコマンドも、すべてのフレームがポートから出てから終わります。
終了ステータス: 0 完了 (run では停止とアドレスの終わりも)、
1 ポートかファイルの失敗、2 コマンドラインの誤り (何も送信していません)。
</translation>
    </message>
    <message>
        <source>unknown key name %1; nothing was sent</source>
        <translation>%1 というキー名はありません。何も送信していません</translation>
    </message>
    <message>
        <source>unknown key names %1; nothing was sent</source>
        <translation>%1 というキー名はありません。何も送信していません</translation>
    </message>
    <message>
        <source>warning: skipped 1 character the device cannot enter: %1</source>
        <translation>警告: 装置が入力できない文字 1 文字を飛ばしました: %1</translation>
    </message>
    <message>
        <source>warning: skipped %1 characters the device cannot enter: %2</source>
        <translation>警告: 装置が入力できない文字 %1 文字を飛ばしました: %2</translation>
    </message>
    <message>
        <source>pass %1</source>
        <translation>%1 回目</translation>
    </message>
    <message>
        <source>pass %1 of %2</source>
        <translation>%1 / %2 回</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>一時停止中</translation>
    </message>
    <message>
        <source>about %1 to go</source>
        <translation>残り約 %1</translation>
    </message>
    <message>
        <source>counter %1</source>
        <translation>カウンタ %1</translation>
    </message>
    <message>
        <source>address: %1</source>
        <translation>アドレス: %1</translation>
    </message>
    <message>
        <source>paused (press p or space to go on)</source>
        <translation>一時停止しました (p かスペースで再開します)</translation>
    </message>
    <message>
        <source>resumed</source>
        <translation>再開しました</translation>
    </message>
    <message>
        <source>stopping; the frames on the line still go out (press Ctrl-C again to drop the rest)</source>
        <translation>停止します。回線上のフレームは送り出します (もう一度 Ctrl-C で残りを破棄します)</translation>
    </message>
    <message>
        <source>the standard output is closed; what it would show goes to stderr</source>
        <translation>標準出力が閉じています。表示は標準エラー出力に出します</translation>
    </message>
    <message>
        <source>end of the macro file</source>
        <translation>マクロファイルの終わり</translation>
    </message>
    <message>
        <source>end of the address file: the list is done</source>
        <translation>アドレスファイルの終わり: 一覧を入力し終えました</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>停止しました</translation>
    </message>
    <message>
        <source>the run ended on an error</source>
        <translation>エラーで実行が終わりました</translation>
    </message>
    <message>
        <source>%1; pass counter %2</source>
        <translation>%1。カウンタ %2</translation>
    </message>
    <message>
        <source>cannot watch for signals: %1</source>
        <translation>シグナルを監視できません: %1</translation>
    </message>
    <message>
        <source>cannot create a virtual terminal: %1</source>
        <translation>仮想端末を作れません: %1</translation>
    </message>
    <message>
        <source>reading the virtual terminal %1 failed: %2</source>
        <translation>仮想端末 %1 を読めません: %2</translation>
    </message>
    <message>
        <source>virtual terminal on %1</source>
        <translation>仮想端末: %1</translation>
    </message>
    <message>
        <source>reading port &quot;%1&quot; failed: %2</source>
        <translation>ポート &quot;%1&quot; を読めません: %2</translation>
    </message>
    <message>
        <source>monitor is not available on Windows; use --port virtual to see what the device would enter</source>
        <translation>Windows では monitor を使えません。装置が入力するはずのものは --port virtual で見られます</translation>
    </message>
    <message>
        <source>Try &apos;tapwright-cli --help&apos;.</source>
        <translation>&apos;tapwright-cli --help&apos; で使い方を表示します。</translation>
    </message>
    <message>
        <source>stopped: sent %1 of %2 frames (one a key or a character)</source>
        <translation>停止しました: %2 フレームのうち %1 フレームを送信しました (1 フレームがキー 1 回か 1 文字)</translation>
    </message>
    <message>
        <source>start without checking the files first;
the run then stops at the first bad line
it comes to</source>
        <translation>ファイルを先に検査せずに始めます。実行は
最初の誤った行で止まります</translation>
    </message>
    <message>
        <source>keep no journal of the run</source>
        <translation>実行記録を残しません</translation>
    </message>
    <message>
        <source>journal takes no arguments</source>
        <translation>journal には引数を指定できません</translation>
    </message>
    <message>
        <source>list the journals of runs that did not end:
the files, the port, the passes the device
got and the next address line; run --resume
goes on from one</source>
        <translation>終わっていない実行の記録を一覧表示します:
ファイル、ポート、端末に届いたパス、次の
アドレス行。run --resume でその続きから
実行します</translation>
    </message>
    <message>
        <source>--resume takes the pass counter from the journal: drop --counter</source>
        <translation>--resume はパスカウンタを実行記録から取ります: --counter を外してください</translation>
    </message>
    <message>
        <source>no journal of a run of &quot;%1&quot; without an address file is open: nothing to resume</source>
        <translation>アドレスファイルなしの &quot;%1&quot; の実行で、終わっていない記録はありません: 再開するものがありません</translation>
    </message>
    <message>
        <source>no journal of a run of &quot;%1&quot; with the address file &quot;%2&quot; is open: nothing to resume</source>
        <translation>&quot;%1&quot; とアドレスファイル &quot;%2&quot; の実行で、終わっていない記録はありません: 再開するものがありません</translation>
    </message>
    <message>
        <source>resuming from the journal: passes delivered %1, pass counter %2</source>
        <translation>実行記録から再開します: 届いたパス %1、パスカウンタ %2</translation>
    </message>
    <message>
        <source>, next address line %1</source>
        <translation>、次のアドレス行 %1</translation>
    </message>
    <message>
        <source>address file: %1</source>
        <translation>アドレスファイル: %1</translation>
    </message>
    <message>
        <source>port: %1</source>
        <translation>ポート: %1</translation>
    </message>
    <message>
        <source>passes delivered: %1 (pass counter %2 to %3)</source>
        <translation>届いたパス: %1 (パスカウンタ %2 から %3)</translation>
    </message>
    <message>
        <source>next address line: %1</source>
        <translation>次のアドレス行: %1</translation>
    </message>
    <message>
        <source>last update: %1</source>
        <translation>最終更新: %1</translation>
    </message>
    <message>
        <source>damaged, or not a journal: skipped</source>
        <translation>壊れているか実行記録ではありません: 読み飛ばしました</translation>
    </message>
    <message>
        <source>no open journals in %1</source>
        <translation>%1 に終わっていない実行記録はありません</translation>
    </message>
    <message>
        <source>check the files as check does and, with no
error, run the macro file pass after pass;
GETSTR takes the next line of FILE; Ctrl-C
stops the run and prints the pass counter
to continue from; on a terminal, p or space
pauses the run and goes on, Ctrl-Z pauses it
until fg, a lost port is waited for and r
goes on once it is back, and a status line
at the bottom shows the pass, the address,
the time taken and the time to go</source>
        <translation>check と同じ検査をし、エラーがなければ
マクロファイルを繰り返し実行します。GETSTR は
FILE の次の行を読みます。Ctrl-C で停止し、続きの
カウンタを表示します。端末では p かスペースで
一時停止と再開、Ctrl-Z で fg まで一時停止します。
なくなったポートは戻るのを待ち、戻ったら r で
再開します。最下行の状態行に、回数、アドレス、
経過時間と残り時間を表示します</translation>
    </message>
    <message>
        <source>the address file: one entry a line, its
fields between tabs, or a .csv file;
GETSTR takes the next entry</source>
        <translation>アドレスファイル: 1 行に 1 件、フィールドは
タブ区切り (.csv ならカンマ区切り);
GETSTR が 1 件ずつ読みます</translation>
    </message>
    <message>
        <source>the pass counter to start from (default
0): as many address entries are skipped</source>
        <translation>開始時のカウンタ (既定値 0): その数だけ
アドレスを飛ばします</translation>
    </message>
    <message>
        <source>go on from the journal of the macro and
address file: the passes the device got
and the address entries they took</source>
        <translation>マクロファイルとアドレスファイルの実行記録
から続けます: 端末に届いたパスと、それが
使ったアドレス</translation>
    </message>
    <message>
        <source>Ctrl-C ends the run</source>
        <translation>Ctrl-C で実行を終わります</translation>
    </message>
    <message>
        <source>press r to go on</source>
        <translation>r で再開してください</translation>
    </message>
    <message>
        <source>the port to send to; key, type and run
need it, and there is no default (see
PORT below); run takes it again for
each further port</source>
        <translation>送信先のポート。key、type、run に必要で、
既定値はありません (下の PORT を参照)。
run は複数のポートに、ポートごとに
繰り返して指定できます</translation>
    </message>
    <message>
        <source>run over several ports: each address
entry goes to one device only, whichever
is ready first (without it, every device
gets the whole list)</source>
        <translation>複数ポートでの実行で、アドレスの各項目を
先に手の空いた 1 台だけに送ります
(指定しなければ、どの機器にも一覧
全体を送ります)</translation>
    </message>
    <message>
        <source>%1 takes one --port; only run takes several</source>
        <translation>%1 の --port は 1 つだけです。複数指定できるのは run だけです</translation>
    </message>
    <message>
        <source>--split shares the address list between ports: give two or more --port</source>
        <translation>--split はアドレス一覧をポートで分け合います: --port を 2 つ以上指定してください</translation>
    </message>
    <message>
        <source>--split shares the entries of an address file: give --addr FILE</source>
        <translation>--split はアドレスファイルの項目を分け合います: --addr FILE を指定してください</translation>
    </message>
    <message>
        <source>did not start</source>
        <translation>開始できませんでした</translation>
    </message>
    <message>
        <source>no journal of a run of &quot;%1&quot; over several ports is open: nothing to resume</source>
        <translation>複数ポートでの &quot;%1&quot; の実行で、終わっていない記録はありません: 再開するものがありません</translation>
    </message>
    <message>
        <source>cut while on the line: address line %1 (%2) on %3</source>
        <translation>回線上で中断: アドレス行 %1 (%2)、%3</translation>
    </message>
    <message>
        <source>%1 ports: %2 ended well</source>
        <translation>%1 ポート: %2 が正常に終了</translation>
    </message>
    <message>
        <source>%1 ports: %2 ended well, %3 failed</source>
        <translation>%1 ポート: %2 が正常に終了、%3 が失敗</translation>
    </message>
</context>
<context>
    <name>tapwright::SendLog</name>
    <message>
        <source>error: </source>
        <translation>エラー: </translation>
    </message>
    <message>
        <source>warning: </source>
        <translation>警告: </translation>
    </message>
</context>
<context>
    <name>tapwright::ui::EndNotice</name>
    <message>
        <source>Stopped: %1 entries, %2</source>
        <translation>停止: %1 件, %2</translation>
    </message>
    <message>
        <source>Done: %1 entries, %2</source>
        <translation>完了: %1 件, %2</translation>
    </message>
    <message>
        <source>Failed: %1 entries, %2</source>
        <translation>失敗: %1 件, %2</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::desktop</name>
    <message>
        <source>Cannot open the help &quot;%1&quot;:
no program is found that shows this kind of document.</source>
        <translation>ヘルプ &quot;%1&quot; を開けませんでした。
この種類の文書を表示するプログラムが見つかりません。</translation>
    </message>
    <message>
        <source>The help is not found. These places were searched:
</source>
        <translation>ヘルプが見つかりません。次の場所を探しました。
</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmCheck</name>
    <message>
        <source>Check</source>
        <translation>チェック</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmInput</name>
    <message>
        <source>The keypad is not connected; nothing was sent.</source>
        <translation>キーボードが接続されていません。送信していません。</translation>
    </message>
    <message>
        <source>Skipped characters the device cannot enter (%1): </source>
        <translation>入力できない文字を飛ばしました (%1 文字): </translation>
    </message>
    <message>
        <source>The keypad is not connected: the text was recorded, not sent.</source>
        <translation>キーボードが接続されていません。記録しましたが、送信していません。</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmKeyboard</name>
    <message>
        <source>Virtual device (keypad) — %1</source>
        <translation>仮想デバイス (キーボード) — %1</translation>
    </message>
    <message>
        <source>Disconnected: %1 characters not sent.</source>
        <translation>切断: %1 文字は送っていません。</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmLog</name>
    <message>
        <source>Send log</source>
        <translation>送信ログ</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>保存(&amp;S)...</translation>
    </message>
    <message>
        <source>send log.txt</source>
        <translation>送信ログ.txt</translation>
    </message>
    <message>
        <source>Text (*.txt);;All (*)</source>
        <translation>テキスト (*.txt);;すべて (*)</translation>
    </message>
    <message>
        <source>Cannot save the send log to &quot;%1&quot;.
(%2)</source>
        <translation>送信ログを &quot;%1&quot; に保存できません。
(%2)</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmMacro</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>Save &amp;as...</source>
        <translation>名前を付けて保存(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>実行(&amp;R)</translation>
    </message>
    <message>
        <source>Recor&amp;d</source>
        <translation>記録(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
    <message>
        <source>No waits</source>
        <translation>待ちなし</translation>
    </message>
    <message>
        <source>How the pauses of a recording are written</source>
        <translation>記録した間の待ちの書き方</translation>
    </message>
    <message>
        <source>Macro</source>
        <translation>マクロ</translation>
    </message>
    <message>
        <source>New macro</source>
        <translation>新しいマクロ</translation>
    </message>
    <message>
        <source>%1 could not be read: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>%1 has changes that are not saved.</source>
        <translation>%1 には保存していない変更があります。</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>破棄</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>%1 was not saved: line %2 holds %3, which %4 cannot hold.</source>
        <translation>%1 は保存していません: %2 行目の %3 は %4 では書けません。</translation>
    </message>
    <message>
        <source>%1 could not be saved: %2. The file is as it was.</source>
        <translation>%1 を保存できません: %2。ファイルは元のままです。</translation>
    </message>
    <message>
        <source>Make %1 the macro file of the main window?</source>
        <translation>%1 をメイン ウィンドウのマクロファイルにしますか?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>No</source>
        <translation>いいえ</translation>
    </message>
    <message>
        <source>Stop recor&amp;ding</source>
        <translation>記録停止(&amp;D)</translation>
    </message>
    <message>
        <source>End the pass with REPEAT, so that the macro goes on with the next entry of the address file?</source>
        <translation>パスの終わりに REPEAT を置いて、アドレスファイルの次のエントリへ進むようにしますか?</translation>
    </message>
    <message>
        <source>Add REPEAT</source>
        <translation>REPEAT を置く</translation>
    </message>
    <message>
        <source>%1 could not be saved: %2.</source>
        <translation>%1 を保存できません: %2。</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmMain</name>
    <message>
        <source>Send &amp;log</source>
        <translation>送信ログ(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>実行(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Check...</source>
        <translation>チェック(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>一時停止(&amp;P)</translation>
    </message>
    <message>
        <source>Virtual device — %1</source>
        <translation>仮想デバイス — %1</translation>
    </message>
    <message>
        <source>pass %1 of %2</source>
        <translation>パス %1 / %2</translation>
    </message>
    <message>
        <source>pass %1</source>
        <translation>パス %1</translation>
    </message>
    <message>
        <source>  about %1 to go</source>
        <translation>  残り約 %1</translation>
    </message>
    <message>
        <source>  — to go</source>
        <translation>  残り —</translation>
    </message>
    <message>
        <source>running</source>
        <translation>実行中</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>一時停止中</translation>
    </message>
    <message>
        <source>warnings: %1</source>
        <translation>警告 %1 件</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>A run did not end:

Macro file: %1
Address file: %2
Passes the device got: %3 (pass counter %4)
Next address: %5
Last update: %6

Go on from there? Nothing is sent until you press %7.</source>
        <translation>終わっていない実行があります。

マクロファイル: %1
アドレスファイル: %2
端末に届いたパス: %3 件 (カウンタ %4)
次のアドレス: %5
最終更新: %6

ここから続けますか? 「%7」を押すまで何も送りません。</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>続ける</translation>
    </message>
    <message>
        <source>Close the journal</source>
        <translation>記録を閉じる</translation>
    </message>
    <message>
        <source>&amp;Typing window</source>
        <translation>文字入力ウィンドウ(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>実行(&amp;S)</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>停止(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;New macro</source>
        <translation>新しいマクロ(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Edit macro</source>
        <translation>マクロを編集(&amp;E)</translation>
    </message>
    <message>
        <source>To try without a device, choose the port %1.</source>
        <translation>装置なしで試すには、ポートに %1 を選びます。</translation>
    </message>
    <message>
        <source>go on with Pause</source>
        <translation>「一時停止」で再開してください</translation>
    </message>
    <message>
        <source>Run over &amp;many ports...</source>
        <translation>複数ポートで実行(&amp;M)...</translation>
    </message>
</context>
<context>
    <name>tapwright::ui::frmMultiRun</name>
    <message>
        <source>Run over several ports</source>
        <translation>複数ポートで実行</translation>
    </message>
    <message>
        <source>Macro file:</source>
        <translation>マクロファイル:</translation>
    </message>
    <message>
        <source>Address file:</source>
        <translation>アドレスファイル:</translation>
    </message>
    <message>
        <source>Pass counter:</source>
        <translation>カウンタ:</translation>
    </message>
    <message>
        <source>Each device gets the whole list</source>
        <translation>各装置に全件</translation>
    </message>
    <message>
        <source>Split the list</source>
        <translation>分けて入力</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>パス</translation>
    </message>
    <message>
        <source>Entry</source>
        <translation>入力</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進み具合</translation>
    </message>
    <message>
        <source>Add port</source>
        <translation>ポートを追加</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>%v of %m entries delivered</source>
        <translation>%m 件中 %v 件を入力済み</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>すべて開始</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>すべて一時停止</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>すべて停止</translation>
    </message>
    <message>
        <source>press its Pause</source>
        <translation>その行の一時停止を押してください</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>the main window&apos;s run</source>
        <translation>メインウィンドウの実行</translation>
    </message>
    <message>
        <source>the keypad</source>
        <translation>キーボード</translation>
    </message>
    <message>
        <source>Device (%1)</source>
        <translation>装置 (%1)</translation>
    </message>
    <message>
        <source>%1: %2, pass counter %3</source>
        <translation>%1: %2、カウンタ %3</translation>
    </message>
    <message>
        <source>total: %1 of %2 entries delivered</source>
        <translation>合計: %2 件中 %1 件を入力</translation>
    </message>
    <message>
        <source>cut while typing, may be half entered on %1: %2</source>
        <translation>入力中に中断 (%1 に途中まで入力されているかもしれません): %2</translation>
    </message>
    <message>
        <source>total: %1 passes</source>
        <translation>合計: %1 パス</translation>
    </message>
    <message>
        <source>The runs over several ports are still going on. Stop them?</source>
        <translation>複数ポートの実行がまだ続いています。停止しますか?</translation>
    </message>
    <message>
        <source>Stop and quit</source>
        <translation>停止して終了</translation>
    </message>
    <message>
        <source>Keep running</source>
        <translation>続ける</translation>
    </message>
    <message>
        <source>Stop and close</source>
        <translation>停止して閉じる</translation>
    </message>
    <message>
        <source>Go on from the journals</source>
        <translation>実行記録の続きから</translation>
    </message>
    <message>
        <source>the run over several ports</source>
        <translation>複数ポートの実行</translation>
    </message>
</context>
</TS>
