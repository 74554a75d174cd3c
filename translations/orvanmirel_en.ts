<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ControllerSettings</name>
    <message>
        <source>度</source>
        <translation>degrees</translation>
    </message>
    <message>
        <source>分</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>の</source>
        <translation> </translation>
    </message>
    <message>
        <source>は 0 から </source>
        <translation>: enter a whole number from 0 to </translation>
    </message>
    <message>
        <source> までの整数で入力してください。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>は </source>
        <translation>: enter at most </translation>
    </message>
    <message>
        <source> 度以内で入力してください。</source>
        <translation> degrees.</translation>
    </message>
    <message>
        <source>緯度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>経度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>標高(m)は数値で入力してください。</source>
        <translation>Enter the height (m) as a number.</translation>
    </message>
    <message>
        <source>時差(h)は -12 から 14 までの数値で入力してください。</source>
        <translation>Enter the time zone offset (h) as a number from -12 to 14.</translation>
    </message>
    <message>
        <source>入力された値: 「</source>
        <translation>You entered: &quot;</translation>
    </message>
    <message>
        <source>」</source>
        <translation>&quot;</translation>
    </message>
</context>
<context>
    <name>EVexilProgrammer</name>
    <message>
        <source>COMポートオープンエラー</source>
        <translation>COM port error</translation>
    </message>
    <message>
        <source>COMポートがOPENできません</source>
        <translation>The COM port cannot be opened</translation>
    </message>
    <message>
        <source>タイムアウト</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>E-Vexilからの応答がありません（受信）</source>
        <translation>No reply from the E-Vexil (receiving)</translation>
    </message>
    <message>
        <source>E-Vexilの応答が正しくありません: </source>
        <translation>The E-Vexil gave an unexpected reply: </translation>
    </message>
    <message>
        <source>E-Vexilから応答がありません</source>
        <translation>No reply from the E-Vexil</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>E-Vexilが受け付けませんでした: </source>
        <translation>The E-Vexil refused the value: </translation>
    </message>
    <message>
        <source>周回ステップ数は 1 から 4294967295 までの整数です</source>
        <translation>Steps per turn must be a whole number from 1 to 4294967295</translation>
    </message>
    <message>
        <source>恒星時周波数は 1 から 99999999 までの整数です</source>
        <translation>The sidereal frequency must be a whole number from 1 to 99999999</translation>
    </message>
    <message>
        <source>スローダウンステップ数は 0 から 65535 までの整数です</source>
        <translation>Slow-down steps must be whole numbers from 0 to 65535</translation>
    </message>
</context>
<context>
    <name>FrmOrvanOS</name>
    <message>
        <source>ドームコントローラ接続エラー</source>
        <translation>Dome controller connection error</translation>
    </message>
    <message>
        <source>ドームコントローラが見つかりません
USBケーブルの接続を確認して下さい</source>
        <translation>The dome controller was not found.
Check the USB cable.</translation>
    </message>
    <message>
        <source>ドーム: シミュレーション (模擬USBボード)</source>
        <translation>Dome: simulation (simulated USB board)</translation>
    </message>
</context>
<context>
    <name>FrmQuarn</name>
    <message>
        <source>タイムアウト</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>Quarnからの応答がありません（受信）</source>
        <translation>No reply from the Quarn (receiving)</translation>
    </message>
    <message>
        <source>COMポートオープンエラー(</source>
        <translation>COM port error (</translation>
    </message>
    <message>
        <source>Quarn側のCOMポートがOPENできません</source>
        <translation>The COM port of the Quarn cannot be opened</translation>
    </message>
</context>
<context>
    <name>PortAccess</name>
    <message>
        <source>COM%1 (%2) を開く権限がありません。
このユーザーを %3 グループに加えてください:
    sudo usermod -aG %3 %4
その後いったんログアウトし、ログインし直してください。</source>
        <translation>You are not allowed to open COM%1 (%2).
Add this user to the %3 group:
    sudo usermod -aG %3 %4
then log out and log in again.</translation>
    </message>
</context>
<context>
    <name>SerialFamily</name>
    <message>
        <source>LX200からの応答がありません（受信）</source>
        <translation>No reply from the LX200 (receiving)</translation>
    </message>
    <message>
        <source>LX200側のCOMポートがOPENできません</source>
        <translation>The COM port of the LX200 cannot be opened</translation>
    </message>
    <message>
        <source>COMポートオープンエラー (</source>
        <translation>COM port error (</translation>
    </message>
    <message>
        <source>RST400からの応答がありません（受信）</source>
        <translation>No reply from the RST-400 (receiving)</translation>
    </message>
    <message>
        <source>E-Vexilからの応答がありません（受信）</source>
        <translation>No reply from the E-Vexil (receiving)</translation>
    </message>
    <message>
        <source>E-Vexil側のCOMポートがOPENできません</source>
        <translation>The COM port of the E-Vexil cannot be opened</translation>
    </message>
    <message>
        <source>COMポートオープンエラー(</source>
        <translation>COM port error (</translation>
    </message>
    <message>
        <source>Temma2Mからの応答がありません（受信）</source>
        <translation>No reply from the Temma2M (receiving)</translation>
    </message>
    <message>
        <source>Temma側のCOMポートがOPENできません</source>
        <translation>The COM port of the Temma cannot be opened</translation>
    </message>
    <message>
        <source>中断信号を受信</source>
        <translation>Break received</translation>
    </message>
    <message>
        <source>CTSタイムアウト</source>
        <translation>CTS timeout</translation>
    </message>
    <message>
        <source>DSRタイムアウト</source>
        <translation>DSR timeout</translation>
    </message>
    <message>
        <source>フレーム エラー</source>
        <translation>Framing error</translation>
    </message>
    <message>
        <source>ポート オーバーラン</source>
        <translation>Port overrun</translation>
    </message>
    <message>
        <source>CDタイムアウト</source>
        <translation>CD timeout</translation>
    </message>
    <message>
        <source>受信バッファ オーバーフロー</source>
        <translation>Receive buffer overflow</translation>
    </message>
    <message>
        <source>パリティ エラー</source>
        <translation>Parity error</translation>
    </message>
    <message>
        <source>送信バッファがいっぱい</source>
        <translation>Transmit buffer full</translation>
    </message>
    <message>
        <source>予期しないDCBエラー</source>
        <translation>Unexpected DCB error</translation>
    </message>
    <message>
        <source>その他の通信エラー</source>
        <translation>Other communication error</translation>
    </message>
</context>
<context>
    <name>UtilitySettings</name>
    <message>
        <source>（入力: 「</source>
        <translation> (entered: &quot;</translation>
    </message>
    <message>
        <source>」）</source>
        <translation>&quot;)</translation>
    </message>
    <message>
        <source>度</source>
        <translation>degrees</translation>
    </message>
    <message>
        <source>分</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>緯度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>経度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>の</source>
        <translation> </translation>
    </message>
    <message>
        <source>は 0 から %1 までの整数です</source>
        <translation> must be a whole number from 0 to %1</translation>
    </message>
    <message>
        <source>は %1 度以内です</source>
        <translation> must be within %1 degrees</translation>
    </message>
    <message>
        <source>標高は数値です</source>
        <translation>The height is a number</translation>
    </message>
    <message>
        <source>時差は -12 から 14 までの数値です</source>
        <translation>The time zone offset is a number from -12 to 14</translation>
    </message>
    <message>
        <source>度の数値です（負の値 = パーク位置なし）</source>
        <translation>Degrees (a negative value = no park position)</translation>
    </message>
    <message>
        <source>0 以上の数値です</source>
        <translation>A number, 0 or more</translation>
    </message>
    <message>
        <source>0 以上の秒数です</source>
        <translation>Seconds, 0 or more</translation>
    </message>
    <message>
        <source>0 から 60000 までの整数(ms)です</source>
        <translation>A whole number from 0 to 60000 (ms)</translation>
    </message>
    <message>
        <source>0 以外の整数です（1 周のパルス数）</source>
        <translation>A whole number other than 0 (pulses per turn)</translation>
    </message>
    <message>
        <source>0 より大きい数値です</source>
        <translation>A number greater than 0</translation>
    </message>
    <message>
        <source>0 以上の数値(度)です</source>
        <translation>A number of degrees, 0 or more</translation>
    </message>
    <message>
        <source>整数(度)です（負の値 = パーク位置なし）</source>
        <translation>Whole degrees (a negative value = no park position)</translation>
    </message>
    <message>
        <source>0 以上の整数(秒)です</source>
        <translation>Whole seconds, 0 or more</translation>
    </message>
    <message>
        <source>数値です</source>
        <translation>A number</translation>
    </message>
    <message>
        <source>赤道儀のCOMポートと同じ番号です</source>
        <translation>The same number as the mount&apos;s COM port</translation>
    </message>
</context>
<context>
    <name>orvan::DomeLoop</name>
    <message>
        <source>ドーム設定エラー</source>
        <translation>Dome settings error</translation>
    </message>
    <message>
        <source>ドームエンコーダのパルス数(ENC3_PULSES)が0です
ドームを使わずに続けます</source>
        <translation>The dome encoder&apos;s pulse count (ENC3_PULSES) is 0.
Continuing without the dome.</translation>
    </message>
    <message>
        <source>ドーム原点</source>
        <translation>Dome home</translation>
    </message>
    <message>
        <source>ドームの原点検出を行いますか？
OKボタンで右回転して原点を検出します。</source>
        <translation>Find the dome&apos;s home position?
OK turns the dome clockwise until it finds home.</translation>
    </message>
    <message>
        <source>
ドーム原点を検索中</source>
        <translation>
Finding the dome&apos;s home</translation>
    </message>
    <message>
        <source>ドームの原点が見つかりません
ドームを止めました</source>
        <translation>The dome&apos;s home was not found.
The dome is stopped.</translation>
    </message>
    <message>
        <source>
ドームの位置が読めません
ドームを止めました</source>
        <translation>
The dome position cannot be read.
The dome is stopped.</translation>
    </message>
    <message>
        <source>ドーム</source>
        <translation>Dome</translation>
    </message>
    <message>
        <source>ドームが停止しません
ドームの追尾を止めました</source>
        <translation>The dome does not stop.
Dome following is off.</translation>
    </message>
</context>
<context>
    <name>orvan::DomePanel</name>
    <message>
        <source>ドーム</source>
        <translation>Dome</translation>
    </message>
    <message>
        <source>連動</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>スリット</source>
        <translation>Slit</translation>
    </message>
    <message>
        <source>開</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>閉</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>orvan::DomeTestPanel</name>
    <message>
        <source>ドームモータ・カウンターテスト</source>
        <translation>Dome motor and counter test</translation>
    </message>
    <message>
        <source>接続</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>リセット</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>◀ 左回転</source>
        <translation>◀ Left</translation>
    </message>
    <message>
        <source>右回転 ▶</source>
        <translation>Right ▶</translation>
    </message>
    <message>
        <source>Z相確認</source>
        <translation>Z phase check</translation>
    </message>
    <message>
        <source>スリット</source>
        <translation>Slit</translation>
    </message>
    <message>
        <source>気象センサ</source>
        <translation>Weather sensor</translation>
    </message>
    <message>
        <source>切断</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>気象入力なし</source>
        <translation>No weather input</translation>
    </message>
</context>
<context>
    <name>orvan::Observatory</name>
    <message>
        <source>赤道儀を指定したパーク位置へ移動します。</source>
        <translation>The mount moves to its park position.</translation>
    </message>
    <message>
        <source>ドームを指定したパーク位置へ移動します。</source>
        <translation>The dome moves to its park position.</translation>
    </message>
    <message>
        <source>赤道儀とドームを指定したパーク位置へ移動します。</source>
        <translation>The mount and the dome move to their park positions.</translation>
    </message>
    <message>
        <source>パーク位置へ移動</source>
        <translation>Park</translation>
    </message>
    <message>
        <source>「OK」で移動を開始します。</source>
        <translation>OK starts the move.</translation>
    </message>
    <message>
        <source>%1 のドライバはまだ使用できません。</source>
        <translation>The driver for %1 is not available yet.</translation>
    </message>
    <message>
        <source>観測地の入力エラー</source>
        <translation>Site entry error</translation>
    </message>
</context>
<context>
    <name>orvan::SerialMountDriver</name>
    <message>
        <source>タイムアウト</source>
        <translation>Timeout</translation>
    </message>
</context>
<context>
    <name>orvan::WaitMessageWindow</name>
    <message>
        <source>起動中です、しばらくお待ち下さい</source>
        <translation>Starting up, please wait</translation>
    </message>
</context>
<context>
    <name>orvan::bridge::Bridge</name>
    <message>
        <source>望遠鏡 %1 がINDIサーバーから消えました</source>
        <translation>Telescope %1 has gone from the INDI server</translation>
    </message>
    <message>
        <source>望遠鏡 %1 が移動を受け付けません</source>
        <translation>Telescope %1 refuses to move</translation>
    </message>
    <message>
        <source>INDIサーバー %1:%2 との接続が切れました</source>
        <translation>The connection to the INDI server %1:%2 was lost</translation>
    </message>
    <message>
        <source>INDIサーバー %1:%2 に接続できません</source>
        <translation>Cannot connect to the INDI server %1:%2</translation>
    </message>
    <message>
        <source>望遠鏡が接続されていません</source>
        <translation>No telescope is connected</translation>
    </message>
    <message>
        <source>目標が地平線の下です</source>
        <translation>The target is below the horizon</translation>
    </message>
    <message>
        <source>望遠鏡 %1 は座標を受け付けません</source>
        <translation>Telescope %1 refuses the coordinates</translation>
    </message>
</context>
<context>
    <name>orvan::bridge::TelescopeChooser</name>
    <message>
        <source>望遠鏡の選択</source>
        <translation>Choose a telescope</translation>
    </message>
    <message>
        <source>INDIサーバーに望遠鏡がありません</source>
        <translation>The INDI server has no telescope</translation>
    </message>
    <message>
        <source>INDIサーバーの望遠鏡:</source>
        <translation>Telescopes on the INDI server:</translation>
    </message>
</context>
<context>
    <name>orvan::frmASCOM</name>
    <message>
        <source>ASCOM 通信エラー: ポート%1が使えません (%2)</source>
        <translation>ASCOM communication error: port %1 cannot be used (%2)</translation>
    </message>
    <message>
        <source>ブリッジプログラム ascomconnect がありません</source>
        <translation>The bridge program ascomconnect is missing</translation>
    </message>
    <message>
        <source>ブリッジプログラム ascomconnect を起動できません</source>
        <translation>The bridge program ascomconnect cannot be started</translation>
    </message>
    <message>
        <source>ブリッジプログラムが異常終了しました</source>
        <translation>The bridge program crashed</translation>
    </message>
    <message>
        <source>ブリッジプログラムが終了しました (%1)</source>
        <translation>The bridge program ended (%1)</translation>
    </message>
    <message>
        <source>ブリッジプログラムから応答がありません</source>
        <translation>No reply from the bridge program</translation>
    </message>
</context>
<context>
    <name>orvan::frmAlreadyRunning</name>
    <message>
        <source>重複起動エラー</source>
        <translation>Already running</translation>
    </message>
    <message>
        <source>は既に起動されています</source>
        <translation> is already running</translation>
    </message>
</context>
<context>
    <name>orvan::frmDocument</name>
    <message>
        <source>文書を開くプログラム(xdg-open)を起動できません</source>
        <translation>The program that opens documents (xdg-open) cannot be started</translation>
    </message>
    <message>
        <source>文書を開くプログラムが見つかりません
xdg-utils をインストールして下さい</source>
        <translation>No program to open documents was found.
Please install xdg-utils.</translation>
    </message>
    <message>
        <source>ドキュメントファイル</source>
        <translation>Documents</translation>
    </message>
    <message>
        <source>表示するドキュメントファイルを選択して下さい</source>
        <translation>Choose a document to open</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orvan::frmEVexil</name>
    <message>
        <source>E-Vexilの周回ステップ数(RD)を読めません。位置の表示、ゴートー、同期はできません。</source>
        <translation>The E-Vexil&apos;s steps per turn (RD) cannot be read. Position display, slews and sync are not possible.</translation>
    </message>
</context>
<context>
    <name>orvan::frmMain</name>
    <message>
        <source>視位置</source>
        <translation>App.</translation>
    </message>
    <message>
        <source>高度方位</source>
        <translation>Alt/Az</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>ポップアップ</source>
        <translation>Popup</translation>
    </message>
    <message>
        <source>表示サイズ</source>
        <translation>Window size</translation>
    </message>
    <message>
        <source>最小構成</source>
        <translation>Mini</translation>
    </message>
    <message>
        <source>ﾊﾝﾄﾞｺﾝﾄﾛｰﾗ表示</source>
        <translation>Hand controller</translation>
    </message>
    <message>
        <source>表示タイプ</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>2000年分点座標</source>
        <translation>J2000 coordinates</translation>
    </message>
    <message>
        <source>視位置座標</source>
        <translation>Apparent coordinates</translation>
    </message>
    <message>
        <source>高度/方位座標</source>
        <translation>Altitude/azimuth</translation>
    </message>
    <message>
        <source>時刻(JST/LST)</source>
        <translation>Time (JST/LST)</translation>
    </message>
    <message>
        <source>高速</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>中速</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>低速</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>パーキング位置へ移動します</source>
        <translation>Moves to the park position</translation>
    </message>
    <message>
        <source>同期</source>
        <translation>Sync</translation>
    </message>
    <message>
        <source>天頂や主な恒星で同期処理を実行します</source>
        <translation>Syncs on the zenith or a reference star</translation>
    </message>
    <message>
        <source>観測地</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>北緯</source>
        <translation>North</translation>
    </message>
    <message>
        <source>南緯</source>
        <translation>South</translation>
    </message>
    <message>
        <source>東経</source>
        <translation>East</translation>
    </message>
    <message>
        <source>西経</source>
        <translation>West</translation>
    </message>
    <message>
        <source>標高(m)</source>
        <translation>Elev. (m)</translation>
    </message>
    <message>
        <source>時差(h)</source>
        <translation>TZ (h)</translation>
    </message>
    <message>
        <source>赤道儀</source>
        <translation>Mount</translation>
    </message>
    <message>
        <source>機種：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>COMポート：</source>
        <translation>COM port:</translation>
    </message>
    <message>
        <source>ドイツ式</source>
        <translation>German</translation>
    </message>
    <message>
        <source>フォーク式</source>
        <translation>Fork</translation>
    </message>
    <message>
        <source>ASCOM選択</source>
        <translation>Choose ASCOM</translation>
    </message>
    <message>
        <source>ユーティリティ</source>
        <translation>Utility</translation>
    </message>
    <message>
        <source>ドキュメント</source>
        <translation>Documents</translation>
    </message>
    <message>
        <source>RA/DEC (視位置)</source>
        <translation>RA/DEC (apparent)</translation>
    </message>
</context>
<context>
    <name>orvan::frmRST400Homing</name>
    <message>
        <source>日付・時刻</source>
        <translation>Date/time</translation>
    </message>
    <message>
        <source>緯度・経度</source>
        <translation>Lat/long</translation>
    </message>
    <message>
        <source>地方恒星時</source>
        <translation>LST</translation>
    </message>
    <message>
        <source>HOME位置</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>送信済み</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>検出済み</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>未検出</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>検出中</source>
        <translation>Searching</translation>
    </message>
    <message>
        <source>HOME位置を読めません</source>
        <translation>The home position cannot be read</translation>
    </message>
</context>
<context>
    <name>orvan::frmSensor</name>
    <message>
        <source> 降雨雪+停電</source>
        <translation> rain/snow + power cut</translation>
    </message>
    <message>
        <source> 降雨雪</source>
        <translation> rain/snow</translation>
    </message>
    <message>
        <source> 停電</source>
        <translation> power cut</translation>
    </message>
    <message>
        <source> 不明</source>
        <translation> unknown</translation>
    </message>
    <message>
        <source> 解除</source>
        <translation> clear</translation>
    </message>
    <message>
        <source>気象センサー</source>
        <translation>Weather sensors</translation>
    </message>
    <message>
        <source>停電</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>降雨雪</source>
        <translation>Rain/snow</translation>
    </message>
    <message>
        <source> なし</source>
        <translation> none</translation>
    </message>
</context>
<context>
    <name>orvan::frmSync</name>
    <message>
        <source>天頂</source>
        <translation>Zenith</translation>
    </message>
    <message>
        <source>同期</source>
        <translation>Sync</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>基準恒星ファイルが読めません
</source>
        <translation>The reference star file cannot be read
</translation>
    </message>
    <message>
        <source>基準恒星ファイルの読めない %1 行を飛ばしました</source>
        <translation>Skipped %1 unreadable lines of the reference star file</translation>
    </message>
    <message>
        <source>天頂で同期</source>
        <translation>Sync at the zenith</translation>
    </message>
    <message>
        <source>鏡筒を天頂（テレスコープイースト）へ向けて下さい
「OK」で同期処理を行います</source>
        <translation>Point the telescope at the zenith (telescope east).
OK syncs the mount.</translation>
    </message>
    <message>
        <source>同期が出来ません</source>
        <translation>Sync failed</translation>
    </message>
    <message>
        <source>%1で同期は出来ません</source>
        <translation>Cannot sync on %1</translation>
    </message>
    <message>
        <source>%1 には位置がありません。恒星を選んで下さい</source>
        <translation>%1 has no position. Choose a star.</translation>
    </message>
    <message>
        <source>%1で同期</source>
        <translation>Sync on %1</translation>
    </message>
    <message>
        <source>鏡筒を%1へ向けて下さい
「OK」で同期処理を行います</source>
        <translation>Point the telescope at %1.
OK syncs the mount.</translation>
    </message>
</context>
<context>
    <name>orvan::frmTitle</name>
    <message>
        <source>   ﾊﾞｰｼﾞｮﾝ %1.%2 (Build: %3)</source>
        <translation>   Version %1.%2 (Build: %3)</translation>
    </message>
</context>
<context>
    <name>orvan::frmUtility</name>
    <message>
        <source>OrvanMirel ユーティリティ</source>
        <translation>OrvanMirel Utility</translation>
    </message>
    <message>
        <source>入力に誤りがあります。設定は保存されていません。</source>
        <translation>Some entries are wrong. The settings were not saved.</translation>
    </message>
    <message>
        <source>設定ファイルに書き込めません（読み取り専用か、他のプログラムが使用中です）。設定は保存されていません: </source>
        <translation>Cannot write the settings file (read-only, or in use by another program). The settings were not saved: </translation>
    </message>
    <message>
        <source>ASCOMドライバーを使用する場合は「ASCOMplatform6.2」を先にインストール</source>
        <translation>To use an ASCOM driver, install &quot;ASCOMplatform6.2&quot; </translation>
    </message>
    <message>
        <source>しておく必要があります。</source>
        <translation>first.</translation>
    </message>
    <message>
        <source>観測地</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>北緯</source>
        <translation>North</translation>
    </message>
    <message>
        <source>南緯</source>
        <translation>South</translation>
    </message>
    <message>
        <source>東経</source>
        <translation>East</translation>
    </message>
    <message>
        <source>西経</source>
        <translation>West</translation>
    </message>
    <message>
        <source>度</source>
        <translation>°</translation>
    </message>
    <message>
        <source>分</source>
        <translation>′</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>″</translation>
    </message>
    <message>
        <source>緯度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>経度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>標高(m)</source>
        <translation>Height (m)</translation>
    </message>
    <message>
        <source>時差(h)</source>
        <translation>Time zone (h)</translation>
    </message>
    <message>
        <source>赤道儀</source>
        <translation>Mount</translation>
    </message>
    <message>
        <source>機種：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>COMポート：</source>
        <translation>COM port:</translation>
    </message>
    <message>
        <source>ドイツ式</source>
        <translation>German</translation>
    </message>
    <message>
        <source>フォーク式</source>
        <translation>Fork</translation>
    </message>
    <message>
        <source>赤経のバックラッシュ補正</source>
        <translation>RA backlash correction</translation>
    </message>
    <message>
        <source>実行する</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>オーバーラン</source>
        <translation>Overrun</translation>
    </message>
    <message>
        <source>ディレイ・タイム</source>
        <translation>Delay time</translation>
    </message>
    <message>
        <source>通信間隔</source>
        <translation>Poll interval</translation>
    </message>
    <message>
        <source>Temma電源</source>
        <translation>Temma power</translation>
    </message>
    <message>
        <source>ASCOMプラットホーム</source>
        <translation>ASCOM platform</translation>
    </message>
    <message>
        <source>ASCOMを使用する</source>
        <translation>Use ASCOM</translation>
    </message>
    <message>
        <source>Alpacaデバイスを公開する</source>
        <translation>Publish Alpaca devices</translation>
    </message>
    <message>
        <source>認証はありません。ローカルの全ユーザー(AlpacaNetwork=1 ではネットワーク)から望遠鏡を操作できます</source>
        <translation>There is no authentication: every local user (the network, with AlpacaNetwork=1) can move the telescope</translation>
    </message>
    <message>
        <source>パーク位置</source>
        <translation>Park position</translation>
    </message>
    <message>
        <source>方位角</source>
        <translation>Azimuth</translation>
    </message>
    <message>
        <source>高度角</source>
        <translation>Altitude</translation>
    </message>
    <message>
        <source>連動星図ソフト</source>
        <translation>Planetarium program</translation>
    </message>
    <message>
        <source>J2000</source>
        <translation>J2000</translation>
    </message>
    <message>
        <source>視位置</source>
        <translation>Apparent</translation>
    </message>
    <message>
        <source>仮想ポート</source>
        <translation>Virtual port</translation>
    </message>
    <message>
        <source>観測地・赤道儀</source>
        <translation>Site and mount</translation>
    </message>
    <message>
        <source>ドームコントローラ</source>
        <translation>Dome controller</translation>
    </message>
    <message>
        <source>Orvanドームコントローラ</source>
        <translation>Orvan dome controller</translation>
    </message>
    <message>
        <source>Quarn-LX</source>
        <translation>Quarn-LX</translation>
    </message>
    <message>
        <source>ドームコントローラなし</source>
        <translation>No dome controller</translation>
    </message>
    <message>
        <source>ドームパラメータ</source>
        <translation>Dome parameters</translation>
    </message>
    <message>
        <source>全周パルス数</source>
        <translation>Pulses per turn</translation>
    </message>
    <message>
        <source>ドーム半径</source>
        <translation>Dome radius</translation>
    </message>
    <message>
        <source>許容誤差</source>
        <translation>Tolerance</translation>
    </message>
    <message>
        <source>ホームポジション</source>
        <translation>Home position</translation>
    </message>
    <message>
        <source>スリット開閉時間</source>
        <translation>Slit open/close time</translation>
    </message>
    <message>
        <source>オフセット（不動点基準） 東西</source>
        <translation>Pivot offset, east-west</translation>
    </message>
    <message>
        <source>オフセット（不動点基準） 南北</source>
        <translation>Pivot offset, north-south</translation>
    </message>
    <message>
        <source>オフセット（不動点基準） 上下</source>
        <translation>Pivot offset, up-down</translation>
    </message>
    <message>
        <source>光軸中心距離</source>
        <translation>Optical axis distance</translation>
    </message>
    <message>
        <source>UPｶｳﾝﾄ</source>
        <translation>Count up</translation>
    </message>
    <message>
        <source>回転原点スイッチあり</source>
        <translation>Home switch fitted</translation>
    </message>
    <message>
        <source>起動時ドーム連動ON</source>
        <translation>Follow the telescope at start</translation>
    </message>
    <message>
        <source>ドームコントローラとの通信間隔</source>
        <translation>Dome controller poll interval</translation>
    </message>
    <message>
        <source>接続するセンサ</source>
        <translation>Sensors fitted</translation>
    </message>
    <message>
        <source>停電センサ</source>
        <translation>Power sensor</translation>
    </message>
    <message>
        <source>降雨雪センサ</source>
        <translation>Rain/snow sensor</translation>
    </message>
    <message>
        <source>降雨雪でスリットを閉じる</source>
        <translation>Close the slit on rain/snow</translation>
    </message>
    <message>
        <source>ドーム</source>
        <translation>Dome</translation>
    </message>
    <message>
        <source>ローカルデータ転送</source>
        <translation>Send local data</translation>
    </message>
    <message>
        <source>Orvan起動時に、Orvan側で設定された観測値情報や時刻情報をHUBO-iに転送して、双方の情報を一致させます。</source>
        <translation>When Orvan starts it sends the site and time set here to the HUBO-i, so both agree.</translation>
    </message>
    <message>
        <source>PC-&gt;HUBO-iへ転送するデータ</source>
        <translation>Data sent from the PC to the HUBO-i</translation>
    </message>
    <message>
        <source>地方恒星時</source>
        <translation>Local sidereal time</translation>
    </message>
    <message>
        <source>緯度・経度</source>
        <translation>Latitude and longitude</translation>
    </message>
    <message>
        <source>日付・時刻</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>終了直前に実行するプログラム（Full Path）</source>
        <translation>Program to run before exiting (full path)</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>E-Vexilとの接続ポート</source>
        <translation>E-Vexil port</translation>
    </message>
    <message>
        <source>バージョン：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>周回ステップ数</source>
        <translation>Steps per turn</translation>
    </message>
    <message>
        <source>スローダウン</source>
        <translation>Slow-down</translation>
    </message>
    <message>
        <source>恒星時周波数</source>
        <translation>Sidereal frequency</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>赤経軸</source>
        <translation>RA axis</translation>
    </message>
    <message>
        <source>赤緯軸</source>
        <translation>Dec axis</translation>
    </message>
    <message>
        <source>恒星時</source>
        <translation>Sidereal</translation>
    </message>
    <message>
        <source>ｷﾝｸﾞｽﾚｰﾄ</source>
        <translation>King rate</translation>
    </message>
    <message>
        <source>任意速度</source>
        <translation>Custom rate</translation>
    </message>
    <message>
        <source>周回ステップ数の設定</source>
        <translation>Set steps per turn</translation>
    </message>
    <message>
        <source>恒星時周波数の設定</source>
        <translation>Set sidereal frequency</translation>
    </message>
    <message>
        <source>スローダウンステップ数の設定</source>
        <translation>Set slow-down steps</translation>
    </message>
    <message>
        <source>周回ステップ数を送信すると、現在の座標が失われ初期化されます</source>
        <translation>Sending the steps per turn resets the controller: its current position is lost</translation>
    </message>
    <message>
        <source>コントローラー部のジャンパーピン</source>
        <translation>Controller board jumper:</translation>
    </message>
    <message>
        <source>JP5 がOFFになっている場合のみ、書き込みが行われます</source>
        <translation>the value is written only when JP5 is OFF</translation>
    </message>
    <message>
        <source>スローダウンステップ数を送信すると、現在の座標が失われ初期化されます</source>
        <translation>Sending the slow-down steps resets the controller: its current position is lost</translation>
    </message>
</context>
<context>
    <name>orvan::frmVSP6</name>
    <message>
        <source>
プラネタリウムソフト用の仮想シリアルポートを作らずに続けます</source>
        <translation>
Continuing without the virtual serial port for the planetarium program</translation>
    </message>
    <message>
        <source>仮想シリアルポートの番号(TELESCOPE/VCommPort)が設定されていません
</source>
        <translation>No virtual serial port number (TELESCOPE/VCommPort) is set
</translation>
    </message>
    <message>
        <source>仮想シリアルポート </source>
        <translation>Virtual serial port </translation>
    </message>
    <message>
        <source> は望遠鏡の通信ポート(TELESCOPE/CommPort)と同じ番号です
</source>
        <translation> has the same number as the telescope port (TELESCOPE/CommPort)
</translation>
    </message>
    <message>
        <source> はドームの通信ポート(DOME/CommPort)と同じ番号です
</source>
        <translation> has the same number as the dome port (DOME/CommPort)
</translation>
    </message>
    <message>
        <source> は他の装置またはプログラムが使用中です
</source>
        <translation> is in use by another device or program
</translation>
    </message>
    <message>
        <source>仮想シリアルポート</source>
        <translation>Virtual serial port</translation>
    </message>
</context>
</TS>
