<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ExportClipDialog</name>
    <message>
        <source>Export Clip</source>
        <translation>导出片段</translation>
    </message>
    <message>
        <source>From the frame shown to the end of the list</source>
        <translation>从当前显示的帧到列表末尾</translation>
    </message>
    <message>
        <source>The whole play list</source>
        <translation>整个播放列表</translation>
    </message>
    <message>
        <source>Only the frames with motion (threshold %1), with 5 frames around each</source>
        <translation>仅含运动的帧（阈值 %1），每段前后各 5 帧</translation>
    </message>
    <message>
        <source>Stamp the date and time into the pictures</source>
        <translation>在画面中加入日期和时间</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>另存为：</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>浏览...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>MP4 movies (*.mp4)</source>
        <translation>MP4 视频 (*.mp4)</translation>
    </message>
    <message>
        <source>Exporting the clip...</source>
        <translation>正在导出片段...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>正在取消...</translation>
    </message>
    <message>
        <source>Looking for motion...</source>
        <translation>正在查找运动...</translation>
    </message>
    <message>
        <source>The clip could not be exported:</source>
        <translation>无法导出片段：</translation>
    </message>
    <message>
        <source>The clip was exported without:</source>
        <translation>片段已导出，但未包含：</translation>
    </message>
</context>
<context>
    <name>TfrmDiags</name>
    <message>
        <source>Diagnostics</source>
        <translation>诊断</translation>
    </message>
    <message>
        <source>Bad Frms:</source>
        <translation>坏帧:</translation>
    </message>
    <message>
        <source>Dec</source>
        <translation>解码</translation>
    </message>
    <message>
        <source>Disp</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>清除(&amp;C)</translation>
    </message>
    <message>
        <source>Show &amp;Expo</source>
        <translation>显示曝光(&amp;E)</translation>
    </message>
    <message>
        <source>Show &amp;Times</source>
        <translation>显示时间(&amp;T)</translation>
    </message>
    <message>
        <source>Dump RTC Data</source>
        <translation>转储 RTC 数据</translation>
    </message>
    <message>
        <source>Force &amp;B&amp;&amp;W</source>
        <translation>强制黑白(&amp;B)</translation>
    </message>
    <message>
        <source>Show QScale</source>
        <translation>显示量化尺度</translation>
    </message>
    <message>
        <source>DeBlock Method</source>
        <translation>去块滤波方式</translation>
    </message>
    <message>
        <source>0 - None</source>
        <translation>0 - 无</translation>
    </message>
    <message>
        <source>1 - Buffer-wide LPF</source>
        <translation>1 - 全缓冲区低通滤波</translation>
    </message>
    <message>
        <source>2 - ZTC Filter</source>
        <translation>2 - ZTC 滤波器</translation>
    </message>
    <message>
        <source>ZTM-Mode Debug Options</source>
        <translation>ZTM 模式调试选项</translation>
    </message>
    <message>
        <source>ZTM Pause on Stop (don&apos;t reset movie)</source>
        <translation>ZTM 停止时暂停（不重置影片）</translation>
    </message>
    <message>
        <source>Enable ZTM Single Step</source>
        <translation>启用 ZTM 单步播放</translation>
    </message>
    <message>
        <source>ZTM Restart</source>
        <translation>ZTM 重新开始</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>取消(&amp;A)</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>保存日志</translation>
    </message>
    <message>
        <source>The log could not be saved as &quot;%1&quot;.</source>
        <translation>无法将日志保存为“%1”。</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>已跳过 %1：%2</translation>
    </message>
</context>
<context>
    <name>TfrmKLVMain</name>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>打开(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Save Current</source>
        <translation>保存当前帧(&amp;S)</translation>
    </message>
    <message>
        <source>Export &amp;Clip...</source>
        <translation>导出片段(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>退出(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>选项(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Camera Settings</source>
        <translation>摄像机设置(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Embed Timestamp</source>
        <translation>嵌入时间戳(&amp;E)</translation>
    </message>
    <message>
        <source>Deblock</source>
        <translation>去块滤波</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>关于(&amp;A)</translation>
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
        <translation>适应窗口</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计信息</translation>
    </message>
    <message>
        <source>Capture Interval</source>
        <translation>拍摄间隔</translation>
    </message>
    <message>
        <source>Elapsed Time</source>
        <translation>经过时间</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>日期/时间</translation>
    </message>
    <message>
        <source>English</source>
        <comment>name of the display language</comment>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>Motion Search</source>
        <translation>运动搜索</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>阈值</translation>
    </message>
    <message>
        <source>Search Inactive</source>
        <translation>未在搜索</translation>
    </message>
    <message>
        <source>Search Forward</source>
        <translation>正向搜索</translation>
    </message>
    <message>
        <source>Search Backward</source>
        <translation>反向搜索</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>已找到</translation>
    </message>
    <message>
        <source>Seek</source>
        <translation>定位</translation>
    </message>
    <message>
        <source>PlayList</source>
        <translation>播放列表</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>上一个(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>下一个(&amp;N)</translation>
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
        <translation>暂停</translation>
    </message>
    <message>
        <source>Play Backward</source>
        <translation>倒放</translation>
    </message>
    <message>
        <source>Backward 1 Frame</source>
        <translation>后退一帧</translation>
    </message>
    <message>
        <source>Forward 1 Frame</source>
        <translation>前进一帧</translation>
    </message>
    <message>
        <source>Play Forward</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Prev Event</source>
        <translation>上一个事件</translation>
    </message>
    <message>
        <source>Next Event</source>
        <translation>下一个事件</translation>
    </message>
    <message>
        <source>Stop Search</source>
        <translation>停止搜索</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Save Current</source>
        <translation>保存当前帧</translation>
    </message>
    <message>
        <source>Camera movies (*.avi *.m4v *.ztm)</source>
        <translation>摄像机视频 (*.avi *.m4v *.ztm)</translation>
    </message>
    <message>
        <source>AVI (*.avi)</source>
        <translation>AVI (*.avi)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Shutdown Delay</source>
        <translation>关机延迟</translation>
    </message>
    <message>
        <source>Event Number</source>
        <translation>事件编号</translation>
    </message>
    <message>
        <source>&amp;Motion</source>
        <translation>运动(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Next Motion</source>
        <translation>下一段运动(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Previous Motion</source>
        <translation>上一段运动(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Keys</source>
        <translation>按键(&amp;K)</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>按键</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>第 %1 帧</translation>
    </message>
    <message>
        <source>Frame %1: change %2</source>
        <translation>第 %1 帧：变化 %2</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空格</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>播放 / 暂停</translation>
    </message>
    <message>
        <source>+, Right arrow</source>
        <translation>+、右箭头</translation>
    </message>
    <message>
        <source>Forward 1 Frame (the arrow on release)</source>
        <translation>前进一帧（箭头键在松开时）</translation>
    </message>
    <message>
        <source>-, Left arrow</source>
        <translation>-、左箭头</translation>
    </message>
    <message>
        <source>Backward 1 Frame (the arrow on release)</source>
        <translation>后退一帧（箭头键在松开时）</translation>
    </message>
    <message>
        <source>First frame, last frame (paused)</source>
        <translation>第一帧、最后一帧（暂停时）</translation>
    </message>
    <message>
        <source>Next Motion, Previous Motion</source>
        <translation>下一段运动、上一段运动</translation>
    </message>
    <message>
        <source>F11, Ctrl + double-click on the picture</source>
        <translation>F11、Ctrl + 双击画面</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>切换全屏</translation>
    </message>
    <message>
        <source>Leave full screen, else clear the play list</source>
        <translation>退出全屏，否则清除播放列表</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>单击画面</translation>
    </message>
    <message>
        <source>Next zoom; right button: zoom menu</source>
        <translation>下一个缩放；右键：缩放菜单</translation>
    </message>
    <message>
        <source>Click on the seek bar or the motion timeline</source>
        <translation>单击定位条或运动时间轴</translation>
    </message>
    <message>
        <source>Go to that frame (paused)</source>
        <translation>转到该帧（暂停时）</translation>
    </message>
</context>
<context>
    <name>TfrmMyMsg</name>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Could not create directory for Camera Settings.  Please make sure you have selected the USB flash drive and connected it to the PC</source>
        <translation>无法创建摄像机设置文件夹。请确认已选择 USB 闪存盘，并已将其连接到电脑。</translation>
    </message>
    <message>
        <source>File Not Found</source>
        <translation>找不到文件</translation>
    </message>
    <message>
        <source>Unknown Format</source>
        <translation>无法识别的格式</translation>
    </message>
    <message>
        <source>File Does Not Contain Any Frames</source>
        <translation>文件中没有任何帧</translation>
    </message>
</context>
<context>
    <name>OpenProblem</name>
    <message>
        <source>the file cannot be opened</source>
        <translation>无法打开文件</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>文件为空</translation>
    </message>
    <message>
        <source>not a camera movie: too short for a movie header</source>
        <translation>不是相机影片：文件太短，不含影片头</translation>
    </message>
    <message>
        <source>not a camera movie: no frame index</source>
        <translation>不是相机影片：没有帧索引</translation>
    </message>
    <message>
        <source>the movie holds no frames</source>
        <translation>影片不含任何帧</translation>
    </message>
    <message>
        <source>the picture size is out of range</source>
        <translation>画面尺寸超出范围</translation>
    </message>
    <message>
        <source>the frame index is cut short</source>
        <translation>帧索引不完整</translation>
    </message>
    <message>
        <source>the frame index holds entries of another stream</source>
        <translation>帧索引含有其他流的条目</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>not a camera stream: its headers cannot be read</source>
        <translation>不是相机流：无法读取其头部</translation>
    </message>
</context>
</TS>
