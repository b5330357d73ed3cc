<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>ExportClipDialog</name>
    <message>
        <source>Export Clip</source>
        <translation>クリップの書き出し</translation>
    </message>
    <message>
        <source>From the frame shown to the end of the list</source>
        <translation>表示中のフレームからリストの最後まで</translation>
    </message>
    <message>
        <source>The whole play list</source>
        <translation>再生リスト全体</translation>
    </message>
    <message>
        <source>Only the frames with motion (threshold %1), with 5 frames around each</source>
        <translation>動きのあるフレームのみ（しきい値 %1）、前後 5 フレームを含む</translation>
    </message>
    <message>
        <source>Stamp the date and time into the pictures</source>
        <translation>日付と時刻を画像に書き込む</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>保存先:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>参照...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>書き出し</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>MP4 movies (*.mp4)</source>
        <translation>MP4 動画 (*.mp4)</translation>
    </message>
    <message>
        <source>Exporting the clip...</source>
        <translation>クリップを書き出しています...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>キャンセルしています...</translation>
    </message>
    <message>
        <source>Looking for motion...</source>
        <translation>動きを探しています...</translation>
    </message>
    <message>
        <source>The clip could not be exported:</source>
        <translation>クリップを書き出せませんでした:</translation>
    </message>
    <message>
        <source>The clip was exported without:</source>
        <translation>次を除いてクリップを書き出しました:</translation>
    </message>
</context>
<context>
    <name>TfrmDiags</name>
    <message>
        <source>Diagnostics</source>
        <translation>診断</translation>
    </message>
    <message>
        <source>Bad Frms:</source>
        <translation>不良フレーム:</translation>
    </message>
    <message>
        <source>Dec</source>
        <translation>デコード</translation>
    </message>
    <message>
        <source>Disp</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>クリア(&amp;C)</translation>
    </message>
    <message>
        <source>Show &amp;Expo</source>
        <translation>露出を表示(&amp;E)</translation>
    </message>
    <message>
        <source>Show &amp;Times</source>
        <translation>時刻を表示(&amp;T)</translation>
    </message>
    <message>
        <source>Dump RTC Data</source>
        <translation>RTC データをダンプ</translation>
    </message>
    <message>
        <source>Force &amp;B&amp;&amp;W</source>
        <translation>強制白黒(&amp;B)</translation>
    </message>
    <message>
        <source>Show QScale</source>
        <translation>量子化スケールを表示</translation>
    </message>
    <message>
        <source>DeBlock Method</source>
        <translation>デブロック方式</translation>
    </message>
    <message>
        <source>0 - None</source>
        <translation>0 - なし</translation>
    </message>
    <message>
        <source>1 - Buffer-wide LPF</source>
        <translation>1 - バッファー全体 LPF</translation>
    </message>
    <message>
        <source>2 - ZTC Filter</source>
        <translation>2 - ZTC フィルター</translation>
    </message>
    <message>
        <source>ZTM-Mode Debug Options</source>
        <translation>ZTM モード デバッグ オプション</translation>
    </message>
    <message>
        <source>ZTM Pause on Stop (don&apos;t reset movie)</source>
        <translation>ZTM 停止時に一時停止 (ムービーをリセットしない)</translation>
    </message>
    <message>
        <source>Enable ZTM Single Step</source>
        <translation>ZTM コマ送りを有効にする</translation>
    </message>
    <message>
        <source>ZTM Restart</source>
        <translation>ZTM 再スタート</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>キャンセル(&amp;A)</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>ログの保存</translation>
    </message>
    <message>
        <source>The log could not be saved as &quot;%1&quot;.</source>
        <translation>ログを &quot;%1&quot; として保存できませんでした。</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 を飛ばしました：%2</translation>
    </message>
</context>
<context>
    <name>TfrmKLVMain</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Save Current</source>
        <translation>現在のフレームを保存(&amp;S)</translation>
    </message>
    <message>
        <source>Export &amp;Clip...</source>
        <translation>クリップの書き出し(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>終了(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>オプション(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Camera Settings</source>
        <translation>カメラ設定(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Embed Timestamp</source>
        <translation>タイムスタンプを埋め込む(&amp;E)</translation>
    </message>
    <message>
        <source>Deblock</source>
        <translation>デブロック</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>バージョン情報(&amp;A)</translation>
    </message>
    <message>
        <source>1X zoom</source>
        <translation>等倍表示</translation>
    </message>
    <message>
        <source>2X zoom</source>
        <translation>2 倍表示</translation>
    </message>
    <message>
        <source>Var zoom</source>
        <translation>ウィンドウに合わせる</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>情報</translation>
    </message>
    <message>
        <source>Capture Interval</source>
        <translation>撮影間隔</translation>
    </message>
    <message>
        <source>Elapsed Time</source>
        <translation>経過時間</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>日付/時刻</translation>
    </message>
    <message>
        <source>English</source>
        <comment>name of the display language</comment>
        <translation>日本語</translation>
    </message>
    <message>
        <source>Motion Search</source>
        <translation>動き検索</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>しきい値</translation>
    </message>
    <message>
        <source>Search Inactive</source>
        <translation>検索していません</translation>
    </message>
    <message>
        <source>Search Forward</source>
        <translation>順方向に検索</translation>
    </message>
    <message>
        <source>Search Backward</source>
        <translation>逆方向に検索</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>検出しました</translation>
    </message>
    <message>
        <source>Seek</source>
        <translation>シーク</translation>
    </message>
    <message>
        <source>PlayList</source>
        <translation>プレイリスト</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>前へ(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>次へ(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>クリア(&amp;C)</translation>
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
        <source>Play Backward</source>
        <translation>逆再生</translation>
    </message>
    <message>
        <source>Backward 1 Frame</source>
        <translation>1 コマ戻る</translation>
    </message>
    <message>
        <source>Forward 1 Frame</source>
        <translation>1 コマ進む</translation>
    </message>
    <message>
        <source>Play Forward</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>Prev Event</source>
        <translation>前のイベント</translation>
    </message>
    <message>
        <source>Next Event</source>
        <translation>次のイベント</translation>
    </message>
    <message>
        <source>Stop Search</source>
        <translation>検索を停止</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Save Current</source>
        <translation>現在のフレームを保存</translation>
    </message>
    <message>
        <source>Camera movies (*.avi *.m4v *.ztm)</source>
        <translation>カメラの動画 (*.avi *.m4v *.ztm)</translation>
    </message>
    <message>
        <source>AVI (*.avi)</source>
        <translation>AVI (*.avi)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Shutdown Delay</source>
        <translation>シャットダウン遅延</translation>
    </message>
    <message>
        <source>Event Number</source>
        <translation>イベント番号</translation>
    </message>
    <message>
        <source>&amp;Motion</source>
        <translation>動き(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Next Motion</source>
        <translation>次の動き(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Previous Motion</source>
        <translation>前の動き(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Keys</source>
        <translation>キー操作(&amp;K)</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>キー操作</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>フレーム %1</translation>
    </message>
    <message>
        <source>Frame %1: change %2</source>
        <translation>フレーム %1: 変化 %2</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>スペース</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>再生 / 一時停止</translation>
    </message>
    <message>
        <source>+, Right arrow</source>
        <translation>+、右矢印</translation>
    </message>
    <message>
        <source>Forward 1 Frame (the arrow on release)</source>
        <translation>1 コマ進む (矢印は離したとき)</translation>
    </message>
    <message>
        <source>-, Left arrow</source>
        <translation>-、左矢印</translation>
    </message>
    <message>
        <source>Backward 1 Frame (the arrow on release)</source>
        <translation>1 コマ戻る (矢印は離したとき)</translation>
    </message>
    <message>
        <source>First frame, last frame (paused)</source>
        <translation>最初のフレーム、最後のフレーム (一時停止中)</translation>
    </message>
    <message>
        <source>Next Motion, Previous Motion</source>
        <translation>次の動き、前の動き</translation>
    </message>
    <message>
        <source>F11, Ctrl + double-click on the picture</source>
        <translation>F11、Ctrl + 画像をダブルクリック</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>全画面表示の切り替え</translation>
    </message>
    <message>
        <source>Leave full screen, else clear the play list</source>
        <translation>全画面表示を終了、全画面でなければプレイリストをクリア</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>画像をクリック</translation>
    </message>
    <message>
        <source>Next zoom; right button: zoom menu</source>
        <translation>次の倍率、右ボタン: 倍率メニュー</translation>
    </message>
    <message>
        <source>Click on the seek bar or the motion timeline</source>
        <translation>シークバーまたは動きのタイムラインをクリック</translation>
    </message>
    <message>
        <source>Go to that frame (paused)</source>
        <translation>そのフレームへ移動 (一時停止中)</translation>
    </message>
</context>
<context>
    <name>TfrmMyMsg</name>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Could not create directory for Camera Settings.  Please make sure you have selected the USB flash drive and connected it to the PC</source>
        <translation>カメラ設定用のフォルダーを作成できませんでした。USB フラッシュ ドライブを選択し、PC に接続されていることを確認してください。</translation>
    </message>
    <message>
        <source>File Not Found</source>
        <translation>ファイルが見つかりません</translation>
    </message>
    <message>
        <source>Unknown Format</source>
        <translation>不明な形式です</translation>
    </message>
    <message>
        <source>File Does Not Contain Any Frames</source>
        <translation>ファイルにフレームがありません</translation>
    </message>
</context>
<context>
    <name>OpenProblem</name>
    <message>
        <source>the file cannot be opened</source>
        <translation>ファイルを開けません</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>ファイルが空です</translation>
    </message>
    <message>
        <source>not a camera movie: too short for a movie header</source>
        <translation>カメラの動画ではありません：動画ヘッダーより短いファイルです</translation>
    </message>
    <message>
        <source>not a camera movie: no frame index</source>
        <translation>カメラの動画ではありません：フレーム索引がありません</translation>
    </message>
    <message>
        <source>the movie holds no frames</source>
        <translation>動画にフレームがありません</translation>
    </message>
    <message>
        <source>the picture size is out of range</source>
        <translation>画像サイズが範囲外です</translation>
    </message>
    <message>
        <source>the frame index is cut short</source>
        <translation>フレーム索引が途中で切れています</translation>
    </message>
    <message>
        <source>the frame index holds entries of another stream</source>
        <translation>フレーム索引に別のストリームの項目があります</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>メモリが不足しています</translation>
    </message>
    <message>
        <source>not a camera stream: its headers cannot be read</source>
        <translation>カメラのストリームではありません：ヘッダーを読み取れません</translation>
    </message>
</context>
</TS>
