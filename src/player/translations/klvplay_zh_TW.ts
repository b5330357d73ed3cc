<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>ExportClipDialog</name>
    <message>
        <source>Export Clip</source>
        <translation>匯出片段</translation>
    </message>
    <message>
        <source>From the frame shown to the end of the list</source>
        <translation>從目前顯示的畫格到清單結尾</translation>
    </message>
    <message>
        <source>The whole play list</source>
        <translation>整個播放清單</translation>
    </message>
    <message>
        <source>Only the frames with motion (threshold %1), with 5 frames around each</source>
        <translation>僅含動態的畫格（臨界值 %1），每段前後各 5 格</translation>
    </message>
    <message>
        <source>Stamp the date and time into the pictures</source>
        <translation>在畫面中加上日期與時間</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>另存為：</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>瀏覽...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>匯出</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>MP4 movies (*.mp4)</source>
        <translation>MP4 影片 (*.mp4)</translation>
    </message>
    <message>
        <source>Exporting the clip...</source>
        <translation>正在匯出片段...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>正在取消...</translation>
    </message>
    <message>
        <source>Looking for motion...</source>
        <translation>正在尋找動態...</translation>
    </message>
    <message>
        <source>The clip could not be exported:</source>
        <translation>無法匯出片段：</translation>
    </message>
    <message>
        <source>The clip was exported without:</source>
        <translation>已匯出片段，但未包含：</translation>
    </message>
</context>
<context>
    <name>TfrmDiags</name>
    <message>
        <source>Diagnostics</source>
        <translation>診斷</translation>
    </message>
    <message>
        <source>Bad Frms:</source>
        <translation>壞影格:</translation>
    </message>
    <message>
        <source>Dec</source>
        <translation>解碼</translation>
    </message>
    <message>
        <source>Disp</source>
        <translation>顯示</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>清除(&amp;C)</translation>
    </message>
    <message>
        <source>Show &amp;Expo</source>
        <translation>顯示曝光(&amp;E)</translation>
    </message>
    <message>
        <source>Show &amp;Times</source>
        <translation>顯示時間(&amp;T)</translation>
    </message>
    <message>
        <source>Dump RTC Data</source>
        <translation>傾印 RTC 資料</translation>
    </message>
    <message>
        <source>Force &amp;B&amp;&amp;W</source>
        <translation>強制黑白(&amp;B)</translation>
    </message>
    <message>
        <source>Show QScale</source>
        <translation>顯示量化尺度</translation>
    </message>
    <message>
        <source>DeBlock Method</source>
        <translation>去區塊濾波方式</translation>
    </message>
    <message>
        <source>0 - None</source>
        <translation>0 - 無</translation>
    </message>
    <message>
        <source>1 - Buffer-wide LPF</source>
        <translation>1 - 全緩衝區低通濾波</translation>
    </message>
    <message>
        <source>2 - ZTC Filter</source>
        <translation>2 - ZTC 濾波器</translation>
    </message>
    <message>
        <source>ZTM-Mode Debug Options</source>
        <translation>ZTM 模式除錯選項</translation>
    </message>
    <message>
        <source>ZTM Pause on Stop (don&apos;t reset movie)</source>
        <translation>ZTM 停止時暫停（不重設影片）</translation>
    </message>
    <message>
        <source>Enable ZTM Single Step</source>
        <translation>啟用 ZTM 單步播放</translation>
    </message>
    <message>
        <source>ZTM Restart</source>
        <translation>ZTM 重新開始</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>取消(&amp;A)</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>儲存記錄</translation>
    </message>
    <message>
        <source>The log could not be saved as &quot;%1&quot;.</source>
        <translation>無法將記錄儲存為「%1」。</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>已略過 %1：%2</translation>
    </message>
</context>
<context>
    <name>TfrmKLVMain</name>
    <message>
        <source>&amp;File</source>
        <translation>檔案(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開啟(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Save Current</source>
        <translation>儲存目前影格(&amp;S)</translation>
    </message>
    <message>
        <source>Export &amp;Clip...</source>
        <translation>匯出片段(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>結束(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>選項(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Camera Settings</source>
        <translation>攝影機設定(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Embed Timestamp</source>
        <translation>嵌入時間戳記(&amp;E)</translation>
    </message>
    <message>
        <source>Deblock</source>
        <translation>去區塊濾波</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>關於(&amp;A)</translation>
    </message>
    <message>
        <source>1X zoom</source>
        <translation>1 倍大小</translation>
    </message>
    <message>
        <source>2X zoom</source>
        <translation>2 倍大小</translation>
    </message>
    <message>
        <source>Var zoom</source>
        <translation>符合視窗</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>統計資料</translation>
    </message>
    <message>
        <source>Capture Interval</source>
        <translation>拍攝間隔</translation>
    </message>
    <message>
        <source>Elapsed Time</source>
        <translation>經過時間</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>日期/時間</translation>
    </message>
    <message>
        <source>English</source>
        <comment>name of the display language</comment>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>Motion Search</source>
        <translation>動態搜尋</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>臨界值</translation>
    </message>
    <message>
        <source>Search Inactive</source>
        <translation>未在搜尋</translation>
    </message>
    <message>
        <source>Search Forward</source>
        <translation>正向搜尋</translation>
    </message>
    <message>
        <source>Search Backward</source>
        <translation>反向搜尋</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>已找到</translation>
    </message>
    <message>
        <source>Seek</source>
        <translation>跳至位置</translation>
    </message>
    <message>
        <source>PlayList</source>
        <translation>播放清單</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>上一個(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>下一個(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>清除(&amp;C)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暫停</translation>
    </message>
    <message>
        <source>Play Backward</source>
        <translation>倒轉播放</translation>
    </message>
    <message>
        <source>Backward 1 Frame</source>
        <translation>後退一格</translation>
    </message>
    <message>
        <source>Forward 1 Frame</source>
        <translation>前進一格</translation>
    </message>
    <message>
        <source>Play Forward</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Prev Event</source>
        <translation>上一個事件</translation>
    </message>
    <message>
        <source>Next Event</source>
        <translation>下一個事件</translation>
    </message>
    <message>
        <source>Stop Search</source>
        <translation>停止搜尋</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>Save Current</source>
        <translation>儲存目前影格</translation>
    </message>
    <message>
        <source>Camera movies (*.avi *.m4v *.ztm)</source>
        <translation>攝影機影片 (*.avi *.m4v *.ztm)</translation>
    </message>
    <message>
        <source>AVI (*.avi)</source>
        <translation>AVI (*.avi)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有檔案 (*)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開啟</translation>
    </message>
    <message>
        <source>Shutdown Delay</source>
        <translation>關機延遲</translation>
    </message>
    <message>
        <source>Event Number</source>
        <translation>事件編號</translation>
    </message>
    <message>
        <source>&amp;Motion</source>
        <translation>動態(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Next Motion</source>
        <translation>下一段動態(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Previous Motion</source>
        <translation>上一段動態(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Keys</source>
        <translation>按鍵(&amp;K)</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>按鍵</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>第 %1 格</translation>
    </message>
    <message>
        <source>Frame %1: change %2</source>
        <translation>第 %1 格：變化 %2</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空白鍵</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>播放 / 暫停</translation>
    </message>
    <message>
        <source>+, Right arrow</source>
        <translation>+、向右鍵</translation>
    </message>
    <message>
        <source>Forward 1 Frame (the arrow on release)</source>
        <translation>前進一格（方向鍵於放開時）</translation>
    </message>
    <message>
        <source>-, Left arrow</source>
        <translation>-、向左鍵</translation>
    </message>
    <message>
        <source>Backward 1 Frame (the arrow on release)</source>
        <translation>後退一格（方向鍵於放開時）</translation>
    </message>
    <message>
        <source>First frame, last frame (paused)</source>
        <translation>第一格、最後一格（暫停時）</translation>
    </message>
    <message>
        <source>Next Motion, Previous Motion</source>
        <translation>下一段動態、上一段動態</translation>
    </message>
    <message>
        <source>F11, Ctrl + double-click on the picture</source>
        <translation>F11、Ctrl + 按兩下畫面</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>切換全螢幕</translation>
    </message>
    <message>
        <source>Leave full screen, else clear the play list</source>
        <translation>離開全螢幕，否則清除播放清單</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>按一下畫面</translation>
    </message>
    <message>
        <source>Next zoom; right button: zoom menu</source>
        <translation>下一個縮放；右鍵：縮放選單</translation>
    </message>
    <message>
        <source>Click on the seek bar or the motion timeline</source>
        <translation>按一下位置列或動態時間軸</translation>
    </message>
    <message>
        <source>Go to that frame (paused)</source>
        <translation>跳至該格（暫停時）</translation>
    </message>
</context>
<context>
    <name>TfrmMyMsg</name>
    <message>
        <source>Error</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>Could not create directory for Camera Settings.  Please make sure you have selected the USB flash drive and connected it to the PC</source>
        <translation>無法建立攝影機設定資料夾。請確認已選擇 USB 隨身碟，並已將它連接到電腦。</translation>
    </message>
    <message>
        <source>File Not Found</source>
        <translation>找不到檔案</translation>
    </message>
    <message>
        <source>Unknown Format</source>
        <translation>無法辨識的格式</translation>
    </message>
    <message>
        <source>File Does Not Contain Any Frames</source>
        <translation>檔案中沒有任何影格</translation>
    </message>
</context>
<context>
    <name>OpenProblem</name>
    <message>
        <source>the file cannot be opened</source>
        <translation>無法開啟檔案</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>檔案是空的</translation>
    </message>
    <message>
        <source>not a camera movie: too short for a movie header</source>
        <translation>不是相機影片：檔案太短，不含影片標頭</translation>
    </message>
    <message>
        <source>not a camera movie: no frame index</source>
        <translation>不是相機影片：沒有畫格索引</translation>
    </message>
    <message>
        <source>the movie holds no frames</source>
        <translation>影片不含任何畫格</translation>
    </message>
    <message>
        <source>the picture size is out of range</source>
        <translation>畫面尺寸超出範圍</translation>
    </message>
    <message>
        <source>the frame index is cut short</source>
        <translation>畫格索引不完整</translation>
    </message>
    <message>
        <source>the frame index holds entries of another stream</source>
        <translation>畫格索引含有其他串流的項目</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>記憶體不足</translation>
    </message>
    <message>
        <source>not a camera stream: its headers cannot be read</source>
        <translation>不是相機串流：無法讀取其標頭</translation>
    </message>
</context>
</TS>
