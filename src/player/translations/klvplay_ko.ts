<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>ExportClipDialog</name>
    <message>
        <source>Export Clip</source>
        <translation>클립 내보내기</translation>
    </message>
    <message>
        <source>From the frame shown to the end of the list</source>
        <translation>표시된 프레임부터 목록 끝까지</translation>
    </message>
    <message>
        <source>The whole play list</source>
        <translation>재생 목록 전체</translation>
    </message>
    <message>
        <source>Only the frames with motion (threshold %1), with 5 frames around each</source>
        <translation>움직임이 있는 프레임만 (임계값 %1), 앞뒤 5 프레임 포함</translation>
    </message>
    <message>
        <source>Stamp the date and time into the pictures</source>
        <translation>날짜와 시간을 그림에 넣기</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>저장 위치:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>찾아보기...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>내보내기</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>MP4 movies (*.mp4)</source>
        <translation>MP4 동영상 (*.mp4)</translation>
    </message>
    <message>
        <source>Exporting the clip...</source>
        <translation>클립을 내보내는 중...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>취소하는 중...</translation>
    </message>
    <message>
        <source>Looking for motion...</source>
        <translation>움직임을 찾는 중...</translation>
    </message>
    <message>
        <source>The clip could not be exported:</source>
        <translation>클립을 내보낼 수 없습니다:</translation>
    </message>
    <message>
        <source>The clip was exported without:</source>
        <translation>다음을 제외하고 클립을 내보냈습니다:</translation>
    </message>
</context>
<context>
    <name>TfrmDiags</name>
    <message>
        <source>Diagnostics</source>
        <translation>진단</translation>
    </message>
    <message>
        <source>Bad Frms:</source>
        <translation>불량 프레임:</translation>
    </message>
    <message>
        <source>Dec</source>
        <translation>디코딩</translation>
    </message>
    <message>
        <source>Disp</source>
        <translation>표시</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>지우기(&amp;C)</translation>
    </message>
    <message>
        <source>Show &amp;Expo</source>
        <translation>노출 표시(&amp;E)</translation>
    </message>
    <message>
        <source>Show &amp;Times</source>
        <translation>시간 표시(&amp;T)</translation>
    </message>
    <message>
        <source>Dump RTC Data</source>
        <translation>RTC 데이터 덤프</translation>
    </message>
    <message>
        <source>Force &amp;B&amp;&amp;W</source>
        <translation>강제 흑백(&amp;B)</translation>
    </message>
    <message>
        <source>Show QScale</source>
        <translation>양자화 스케일 표시</translation>
    </message>
    <message>
        <source>DeBlock Method</source>
        <translation>디블로킹 방식</translation>
    </message>
    <message>
        <source>0 - None</source>
        <translation>0 - 없음</translation>
    </message>
    <message>
        <source>1 - Buffer-wide LPF</source>
        <translation>1 - 버퍼 전체 LPF</translation>
    </message>
    <message>
        <source>2 - ZTC Filter</source>
        <translation>2 - ZTC 필터</translation>
    </message>
    <message>
        <source>ZTM-Mode Debug Options</source>
        <translation>ZTM 모드 디버그 옵션</translation>
    </message>
    <message>
        <source>ZTM Pause on Stop (don&apos;t reset movie)</source>
        <translation>ZTM 정지 시 일시 정지(동영상 초기화 안 함)</translation>
    </message>
    <message>
        <source>Enable ZTM Single Step</source>
        <translation>ZTM 한 단계 재생 사용</translation>
    </message>
    <message>
        <source>ZTM Restart</source>
        <translation>ZTM 다시 시작</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>취소(&amp;A)</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>로그 저장</translation>
    </message>
    <message>
        <source>The log could not be saved as &quot;%1&quot;.</source>
        <translation>로그를 &quot;%1&quot;(으)로 저장할 수 없습니다.</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 건너뜀: %2</translation>
    </message>
</context>
<context>
    <name>TfrmKLVMain</name>
    <message>
        <source>&amp;File</source>
        <translation>파일(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>열기(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Save Current</source>
        <translation>현재 프레임 저장(&amp;S)</translation>
    </message>
    <message>
        <source>Export &amp;Clip...</source>
        <translation>클립 내보내기(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>종료(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>옵션(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Camera Settings</source>
        <translation>카메라 설정(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Embed Timestamp</source>
        <translation>타임스탬프 삽입(&amp;E)</translation>
    </message>
    <message>
        <source>Deblock</source>
        <translation>디블로킹</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>도움말(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>정보(&amp;A)</translation>
    </message>
    <message>
        <source>1X zoom</source>
        <translation>1배 크기</translation>
    </message>
    <message>
        <source>2X zoom</source>
        <translation>2배 크기</translation>
    </message>
    <message>
        <source>Var zoom</source>
        <translation>창에 맞춤</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>속도</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>정보</translation>
    </message>
    <message>
        <source>Capture Interval</source>
        <translation>촬영 간격</translation>
    </message>
    <message>
        <source>Elapsed Time</source>
        <translation>경과 시간</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>날짜/시간</translation>
    </message>
    <message>
        <source>English</source>
        <comment>name of the display language</comment>
        <translation>한국어</translation>
    </message>
    <message>
        <source>Motion Search</source>
        <translation>움직임 검색</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>임계값</translation>
    </message>
    <message>
        <source>Search Inactive</source>
        <translation>검색 안 함</translation>
    </message>
    <message>
        <source>Search Forward</source>
        <translation>정방향 검색</translation>
    </message>
    <message>
        <source>Search Backward</source>
        <translation>역방향 검색</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>찾았습니다</translation>
    </message>
    <message>
        <source>Seek</source>
        <translation>위치 이동</translation>
    </message>
    <message>
        <source>PlayList</source>
        <translation>재생 목록</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>이전(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>다음(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>지우기(&amp;C)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>정지</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>일시 정지</translation>
    </message>
    <message>
        <source>Play Backward</source>
        <translation>역재생</translation>
    </message>
    <message>
        <source>Backward 1 Frame</source>
        <translation>1프레임 뒤로</translation>
    </message>
    <message>
        <source>Forward 1 Frame</source>
        <translation>1프레임 앞으로</translation>
    </message>
    <message>
        <source>Play Forward</source>
        <translation>재생</translation>
    </message>
    <message>
        <source>Prev Event</source>
        <translation>이전 이벤트</translation>
    </message>
    <message>
        <source>Next Event</source>
        <translation>다음 이벤트</translation>
    </message>
    <message>
        <source>Stop Search</source>
        <translation>검색 중지</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>오류</translation>
    </message>
    <message>
        <source>Save Current</source>
        <translation>현재 프레임 저장</translation>
    </message>
    <message>
        <source>Camera movies (*.avi *.m4v *.ztm)</source>
        <translation>카메라 동영상 (*.avi *.m4v *.ztm)</translation>
    </message>
    <message>
        <source>AVI (*.avi)</source>
        <translation>AVI (*.avi)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>모든 파일 (*)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <source>Shutdown Delay</source>
        <translation>종료 지연</translation>
    </message>
    <message>
        <source>Event Number</source>
        <translation>이벤트 번호</translation>
    </message>
    <message>
        <source>&amp;Motion</source>
        <translation>움직임(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Next Motion</source>
        <translation>다음 움직임(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Previous Motion</source>
        <translation>이전 움직임(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Keys</source>
        <translation>키(&amp;K)</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>키</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>프레임 %1</translation>
    </message>
    <message>
        <source>Frame %1: change %2</source>
        <translation>프레임 %1: 변화 %2</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>스페이스</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>재생 / 일시 정지</translation>
    </message>
    <message>
        <source>+, Right arrow</source>
        <translation>+, 오른쪽 화살표</translation>
    </message>
    <message>
        <source>Forward 1 Frame (the arrow on release)</source>
        <translation>1프레임 앞으로 (화살표는 뗄 때)</translation>
    </message>
    <message>
        <source>-, Left arrow</source>
        <translation>-, 왼쪽 화살표</translation>
    </message>
    <message>
        <source>Backward 1 Frame (the arrow on release)</source>
        <translation>1프레임 뒤로 (화살표는 뗄 때)</translation>
    </message>
    <message>
        <source>First frame, last frame (paused)</source>
        <translation>첫 프레임, 마지막 프레임 (일시 정지 중)</translation>
    </message>
    <message>
        <source>Next Motion, Previous Motion</source>
        <translation>다음 움직임, 이전 움직임</translation>
    </message>
    <message>
        <source>F11, Ctrl + double-click on the picture</source>
        <translation>F11, Ctrl + 그림 두 번 클릭</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>전체 화면 켜기/끄기</translation>
    </message>
    <message>
        <source>Leave full screen, else clear the play list</source>
        <translation>전체 화면 나가기, 아니면 재생 목록 지우기</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>그림 클릭</translation>
    </message>
    <message>
        <source>Next zoom; right button: zoom menu</source>
        <translation>다음 확대/축소, 오른쪽 버튼: 확대/축소 메뉴</translation>
    </message>
    <message>
        <source>Click on the seek bar or the motion timeline</source>
        <translation>위치 막대나 움직임 타임라인 클릭</translation>
    </message>
    <message>
        <source>Go to that frame (paused)</source>
        <translation>그 프레임으로 이동 (일시 정지 중)</translation>
    </message>
</context>
<context>
    <name>TfrmMyMsg</name>
    <message>
        <source>Error</source>
        <translation>오류</translation>
    </message>
    <message>
        <source>Could not create directory for Camera Settings.  Please make sure you have selected the USB flash drive and connected it to the PC</source>
        <translation>카메라 설정 폴더를 만들 수 없습니다. USB 플래시 드라이브를 선택했는지, PC에 연결되어 있는지 확인하십시오.</translation>
    </message>
    <message>
        <source>File Not Found</source>
        <translation>파일을 찾을 수 없습니다</translation>
    </message>
    <message>
        <source>Unknown Format</source>
        <translation>알 수 없는 형식입니다</translation>
    </message>
    <message>
        <source>File Does Not Contain Any Frames</source>
        <translation>파일에 프레임이 없습니다</translation>
    </message>
</context>
<context>
    <name>OpenProblem</name>
    <message>
        <source>the file cannot be opened</source>
        <translation>파일을 열 수 없습니다</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>파일이 비어 있습니다</translation>
    </message>
    <message>
        <source>not a camera movie: too short for a movie header</source>
        <translation>카메라 동영상이 아닙니다: 동영상 헤더보다 짧습니다</translation>
    </message>
    <message>
        <source>not a camera movie: no frame index</source>
        <translation>카메라 동영상이 아닙니다: 프레임 색인이 없습니다</translation>
    </message>
    <message>
        <source>the movie holds no frames</source>
        <translation>동영상에 프레임이 없습니다</translation>
    </message>
    <message>
        <source>the picture size is out of range</source>
        <translation>화면 크기가 범위를 벗어났습니다</translation>
    </message>
    <message>
        <source>the frame index is cut short</source>
        <translation>프레임 색인이 잘려 있습니다</translation>
    </message>
    <message>
        <source>the frame index holds entries of another stream</source>
        <translation>프레임 색인에 다른 스트림의 항목이 있습니다</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>메모리가 부족합니다</translation>
    </message>
    <message>
        <source>not a camera stream: its headers cannot be read</source>
        <translation>카메라 스트림이 아닙니다: 헤더를 읽을 수 없습니다</translation>
    </message>
</context>
</TS>
