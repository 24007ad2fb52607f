<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name></name>
    <message id="PLC标准协议：帧不足两个字节，无法转换，未发送">
        <location filename="../codec/frame.cpp" line="+33"/>
        <source></source>
        <translation>PLC protocol: the frame has fewer than two bytes and cannot be converted; not sent</translation>
    </message>
    <message id="PLC标准协议：寄存器映射地址无效，未发送">
        <location line="+1"/>
        <source></source>
        <translation>PLC protocol: invalid register mapping address; not sent</translation>
    </message>
    <message id="PLC标准协议：帧缺少长度字节或校验，无法转换为写寄存器命令，未发送">
        <location line="+13"/>
        <source></source>
        <translation>PLC protocol: the frame lacks its length byte or checksum and cannot become a register write; not sent</translation>
    </message>
    <message id="PLC标准协议：帧的数据字节数与长度字节不符，无法转换，未发送">
        <location line="+4"/>
        <source></source>
        <translation>PLC protocol: the frame&apos;s data does not match its length byte; not sent</translation>
    </message>
    <message id="PLC标准协议：数据超过一次写寄存器的上限，无法转换，未发送">
        <location line="+4"/>
        <source></source>
        <translation>PLC protocol: more data than one register write can carry; not sent</translation>
    </message>
    <message id="New Addr">
        <location filename="../commands/catalogue.cpp" line="+70"/>
        <source></source>
        <translation>New addr</translation>
    </message>
    <message id="Bitrate">
        <location line="+3"/>
        <source></source>
        <translation>Baud rate</translation>
    </message>
    <message id="寄存器映射地址">
        <location line="+2"/>
        <source></source>
        <translation>Register mapping address</translation>
    </message>
    <message id="初速度">
        <location line="+4"/>
        <location filename="../ui/frm_main_ui.cpp" line="+232"/>
        <location filename="../ui/motion_view.cpp" line="+469"/>
        <source></source>
        <translation>Start speed</translation>
    </message>
    <message id="最大速度">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+1"/>
        <source></source>
        <translation>Max speed</translation>
    </message>
    <message id="末速度">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+1"/>
        <source></source>
        <translation>End speed</translation>
    </message>
    <message id="加速度">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+1"/>
        <source></source>
        <translation>Acceleration</translation>
    </message>
    <message id="减速度">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+1"/>
        <source></source>
        <translation>Deceleration</translation>
    </message>
    <message id="归零速度">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <source></source>
        <translation>Homing speed</translation>
    </message>
    <message id="位置运动脉冲数">
        <location line="+10"/>
        <source></source>
        <translation>Position move steps</translation>
    </message>
    <message id="方向">
        <location line="+2"/>
        <location line="+5"/>
        <source></source>
        <translation>Direction</translation>
    </message>
    <message id="脉冲数">
        <location line="-4"/>
        <source></source>
        <translation>Steps</translation>
    </message>
    <message id="恒速运动速度">
        <location line="+2"/>
        <source></source>
        <translation>Constant speed</translation>
    </message>
    <message id="速度">
        <location line="+3"/>
        <location filename="../ui/motion_view.cpp" line="+124"/>
        <source></source>
        <translation>Speed</translation>
    </message>
    <message id="查找零点方向">
        <location line="+5"/>
        <location line="+2"/>
        <location line="+2"/>
        <source></source>
        <translation>Homing direction</translation>
    </message>
    <message id="绝对位置">
        <location line="+2"/>
        <location filename="../ui/frm_main_ui.cpp" line="+20"/>
        <location line="+95"/>
        <location line="+119"/>
        <source></source>
        <translation>Absolute</translation>
    </message>
    <message id="新速度">
        <location line="+2"/>
        <source></source>
        <translation>New speed</translation>
    </message>
    <message id="加减速因子">
        <location line="+2"/>
        <source></source>
        <translation>Speed step factor</translation>
    </message>
    <message id="反馈脉冲">
        <location line="+5"/>
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="-17"/>
        <location line="+3"/>
        <source></source>
        <translation>Enc. counts</translation>
    </message>
    <message id="反馈位置">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+3"/>
        <source></source>
        <translation>Encoder pos.</translation>
    </message>
    <message id="编码方向">
        <location line="+2"/>
        <location filename="../commands/protocol.cpp" line="+291"/>
        <location filename="../ui/frm_main_ui.cpp" line="+17"/>
        <source></source>
        <translation>Enc. dir</translation>
    </message>
    <message id="控制方向">
        <location line="+1"/>
        <location filename="../commands/protocol.cpp" line="+10"/>
        <location filename="../ui/frm_main_ui.cpp" line="-8"/>
        <source></source>
        <translation>Ctrl dir</translation>
    </message>
    <message id="齿轮分子">
        <location line="+3"/>
        <location filename="../ui/frm_main_ui.cpp" line="-6"/>
        <source></source>
        <translation>Gear num.</translation>
    </message>
    <message id="齿轮分母">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+3"/>
        <source></source>
        <translation>Gear den.</translation>
    </message>
    <message id="CAN波特率">
        <location line="+14"/>
        <location filename="../commands/protocol.cpp" line="-65"/>
        <location filename="../ui/frm_main_ui.cpp" line="+89"/>
        <source></source>
        <translation>CAN baud</translation>
    </message>
    <message id="CAN数据">
        <location line="+2"/>
        <source></source>
        <translation>CAN data</translation>
    </message>
    <message id="IO取代命令">
        <location line="+4"/>
        <source></source>
        <translation>IO override command</translation>
    </message>
    <message id="掉电保存上电不运行">
        <location line="+26"/>
        <location filename="../ui/frm_main_ui.cpp" line="+11"/>
        <source></source>
        <translation>Save, don&apos;t resume</translation>
    </message>
    <message id="掉电保存,上电运行">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+0"/>
        <source></source>
        <translation>Save and resume</translation>
    </message>
    <message id="不是配置文件（JSON 格式错误：%1）">
        <location filename="../commands/profile_file.cpp" line="+69"/>
        <source></source>
        <translation>Not a profile file (JSON error: %1)</translation>
    </message>
    <message id="不是配置文件（“format”不对）">
        <location line="+3"/>
        <source></source>
        <translation>Not a profile file (wrong &quot;format&quot;)</translation>
    </message>
    <message id="配置文件的版本“%1”不受支持（支持 %2）">
        <location line="+2"/>
        <source></source>
        <translation>Profile version &quot;%1&quot; is not supported (supported: %2)</translation>
    </message>
    <message id="配置文件中有未知的键“%1”">
        <location line="+6"/>
        <source></source>
        <translation>Unknown key &quot;%1&quot; in the profile</translation>
    </message>
    <message id="配置文件缺少键“%1”">
        <location line="+2"/>
        <source></source>
        <translation>The profile lacks the key &quot;%1&quot;</translation>
    </message>
    <message id="“device.address”应为 0 到 255 的整数">
        <location line="+8"/>
        <source></source>
        <translation>&quot;device.address&quot; must be a whole number from 0 to 255</translation>
    </message>
    <message id="配置文件中有未知的设置“%1”">
        <location line="+7"/>
        <source></source>
        <translation>Unknown setting &quot;%1&quot; in the profile</translation>
    </message>
    <message id="设置“%1”中有未知的键“%2”">
        <location line="+4"/>
        <source></source>
        <translation>Unknown key &quot;%2&quot; in setting &quot;%1&quot;</translation>
    </message>
    <message id="设置“%1”的“code”应为 %2">
        <location line="+2"/>
        <source></source>
        <translation>The &quot;code&quot; of setting &quot;%1&quot; must be %2</translation>
    </message>
    <message id="设置“%1”缺少键“value”">
        <location line="+2"/>
        <source></source>
        <translation>Setting &quot;%1&quot; lacks its &quot;value&quot;</translation>
    </message>
    <message id="设置“%1”的值“%2”超出范围或格式不对">
        <location line="+6"/>
        <source></source>
        <translation>The value &quot;%2&quot; of setting &quot;%1&quot; is out of range or malformed</translation>
    </message>
    <message id="配置文件缺少设置“%1”">
        <location line="+4"/>
        <source></source>
        <translation>The profile lacks the setting &quot;%1&quot;</translation>
    </message>
    <message id="保存配置文件 %1 失败：%2">
        <location line="+8"/>
        <source></source>
        <translation>Could not save the profile %1: %2</translation>
    </message>
    <message id="无法打开配置文件 %1：%2">
        <location line="+7"/>
        <source></source>
        <translation>Cannot open the profile %1: %2</translation>
    </message>
    <message id="%1 太大，不是配置文件">
        <location line="+1"/>
        <source></source>
        <translation>%1 is too large to be a profile</translation>
    </message>
    <message id="32位数值，高字节在前">
        <location filename="../commands/protocol.cpp" line="-212"/>
        <source></source>
        <translation>32-bit value, high byte first</translation>
    </message>
    <message id="32位有符号数值(补码)，高字节在前">
        <location line="+1"/>
        <source></source>
        <translation>32-bit signed value (two&apos;s complement), high byte first</translation>
    </message>
    <message id="方向(0正/1负) + 24位数值，高字节在前">
        <location line="+2"/>
        <source></source>
        <translation>direction (0 fwd/1 rev) + 24-bit value, high byte first</translation>
    </message>
    <message id="方向(0正向/1负向)">
        <location line="+1"/>
        <source></source>
        <translation>direction (0 fwd/1 rev)</translation>
    </message>
    <message id="握手">
        <location line="+4"/>
        <location filename="../ui/frm_main_ui.cpp" line="-360"/>
        <source></source>
        <translation>Handshake</translation>
    </message>
    <message id="请求握手命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Handshake:</translation>
    </message>
    <message id="查询设备地址(发往地址0)">
        <location line="+1"/>
        <source></source>
        <translation>Query device address (to address 0)</translation>
    </message>
    <message id="设备地址">
        <location line="+1"/>
        <source></source>
        <translation>device address</translation>
    </message>
    <message id="查询设备地址:">
        <location line="+0"/>
        <source></source>
        <translation>Query device address:</translation>
    </message>
    <message id="查询设备地址:当前地址为">
        <location line="+0"/>
        <source></source>
        <translation>Query device address: address is </translation>
    </message>
    <message id="更改设备地址">
        <location line="+2"/>
        <source></source>
        <translation>Change device address</translation>
    </message>
    <message id="新地址">
        <location line="+1"/>
        <source></source>
        <translation>new address</translation>
    </message>
    <message id="更改设备地址:">
        <location line="+1"/>
        <source></source>
        <translation>Change device address:</translation>
    </message>
    <message id="查询当前波特率">
        <location line="+1"/>
        <source></source>
        <translation>Query baud rate</translation>
    </message>
    <message id="波特率代码">
        <location line="+0"/>
        <location line="+2"/>
        <source></source>
        <translation>baud code</translation>
    </message>
    <message id="查询当前波特率:">
        <location line="-1"/>
        <source></source>
        <translation>Query baud rate:</translation>
    </message>
    <message id="查询当前波特率:当前波特率设置为">
        <location line="+0"/>
        <source></source>
        <translation>Query baud rate: baud code is </translation>
    </message>
    <message id="改变当前波特率">
        <location line="+1"/>
        <source></source>
        <translation>Change baud rate</translation>
    </message>
    <message id="改变当前波特率:">
        <location line="+1"/>
        <source></source>
        <translation>Change baud rate:</translation>
    </message>
    <message id="设置运动初速度">
        <location line="+3"/>
        <source></source>
        <translation>Set start speed</translation>
    </message>
    <message id="设置运动初速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set start speed:</translation>
    </message>
    <message id="查询运动初速度">
        <location line="+4"/>
        <source></source>
        <translation>Query start speed</translation>
    </message>
    <message id="查询运动初速度:">
        <location line="+1"/>
        <source></source>
        <translation>Query start speed:</translation>
    </message>
    <message id="设置运动最大速度">
        <location line="+3"/>
        <source></source>
        <translation>Set max speed</translation>
    </message>
    <message id="设置运动最大速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set max speed:</translation>
    </message>
    <message id="查询运动最大速度">
        <location line="+4"/>
        <source></source>
        <translation>Query max speed</translation>
    </message>
    <message id="查询运动最大速度:">
        <location line="+1"/>
        <source></source>
        <translation>Query max speed:</translation>
    </message>
    <message id="设置运动末速度">
        <location line="+3"/>
        <source></source>
        <translation>Set end speed</translation>
    </message>
    <message id="设置运动末速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set end speed:</translation>
    </message>
    <message id="查询运动末速度">
        <location line="+4"/>
        <source></source>
        <translation>Query end speed</translation>
    </message>
    <message id="查询运动末速度:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Query end speed:</translation>
    </message>
    <message id="设置运动加速度">
        <location line="+3"/>
        <source></source>
        <translation>Set acceleration</translation>
    </message>
    <message id="设置运动加速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set acceleration:</translation>
    </message>
    <message id="查询运动加速度">
        <location line="+4"/>
        <source></source>
        <translation>Query acceleration</translation>
    </message>
    <message id="查询运动加速度:">
        <location line="+1"/>
        <source></source>
        <translation>Query acceleration:</translation>
    </message>
    <message id="设置运动减速度">
        <location line="+3"/>
        <source></source>
        <translation>Set deceleration</translation>
    </message>
    <message id="设置运动减速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set deceleration:</translation>
    </message>
    <message id="查询运动减速度">
        <location line="+4"/>
        <source></source>
        <translation>Query deceleration</translation>
    </message>
    <message id="查询运动减速度:">
        <location line="+1"/>
        <source></source>
        <translation>Query deceleration:</translation>
    </message>
    <message id="设置归零运动速度">
        <location line="+3"/>
        <source></source>
        <translation>Set homing speed</translation>
    </message>
    <message id="设置归零运动速度:">
        <location line="+3"/>
        <location line="+1"/>
        <source></source>
        <translation>Set homing speed:</translation>
    </message>
    <message id="查询归零运动速度">
        <location line="+4"/>
        <source></source>
        <translation>Query homing speed</translation>
    </message>
    <message id="查询归零运动速度:">
        <location line="+1"/>
        <source></source>
        <translation>Query homing speed:</translation>
    </message>
    <message id="32位位置运动">
        <location line="+1"/>
        <source></source>
        <translation>32-bit position move</translation>
    </message>
    <message id="有符号脉冲数，高字节在前">
        <location line="+1"/>
        <source></source>
        <translation>signed steps, high byte first</translation>
    </message>
    <message id="设置32位运动脉冲数并开始运动:">
        <location line="+1"/>
        <source></source>
        <translation>32-bit position move:</translation>
    </message>
    <message id="24位位置运动">
        <location line="+1"/>
        <source></source>
        <translation>24-bit position move</translation>
    </message>
    <message id="设置24位运动脉冲数并开始运动:">
        <location line="+1"/>
        <source></source>
        <translation>24-bit position move:</translation>
    </message>
    <message id="32位恒速运动">
        <location line="+1"/>
        <source></source>
        <translation>32-bit constant-speed run</translation>
    </message>
    <message id="有符号速度，高字节在前">
        <location line="+0"/>
        <source></source>
        <translation>signed speed, high byte first</translation>
    </message>
    <message id="设置32位运动速度，并恒速运动:">
        <location line="+1"/>
        <source></source>
        <translation>32-bit constant-speed run:</translation>
    </message>
    <message id="24位恒速运动">
        <location line="+1"/>
        <source></source>
        <translation>24-bit constant-speed run</translation>
    </message>
    <message id="设置24位运动速度，并恒速运动:">
        <location line="+1"/>
        <source></source>
        <translation>24-bit constant-speed run:</translation>
    </message>
    <message id="恒速运动中改变速度">
        <location line="+1"/>
        <source></source>
        <translation>Change speed while running</translation>
    </message>
    <message id="新速度，高字节在前">
        <location line="+1"/>
        <source></source>
        <translation>new speed, high byte first</translation>
    </message>
    <message id="恒速运动过程中改变速度:">
        <location line="+1"/>
        <source></source>
        <translation>Change speed while running:</translation>
    </message>
    <message id="查询运动速度">
        <location line="+1"/>
        <source></source>
        <translation>Query speed</translation>
    </message>
    <message id="查询运动速度:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Query speed:</translation>
    </message>
    <message id="查询运动绝对位置">
        <location line="+1"/>
        <source></source>
        <translation>Query absolute position</translation>
    </message>
    <message id="查询运动绝对位置:">
        <location line="+1"/>
        <source></source>
        <translation>Query absolute position:</translation>
    </message>
    <message id="绝对位置清零">
        <location line="+1"/>
        <source></source>
        <translation>Zero absolute position</translation>
    </message>
    <message id="绝对位置清零:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Zero absolute position:</translation>
    </message>
    <message id="查询运动相对位置">
        <location line="+1"/>
        <source></source>
        <translation>Query relative position</translation>
    </message>
    <message id="查询运动相对位置:">
        <location line="+1"/>
        <source></source>
        <translation>Query relative position:</translation>
    </message>
    <message id="相对位置清零">
        <location line="+1"/>
        <source></source>
        <translation>Zero relative position</translation>
    </message>
    <message id="相对位置清零:">
        <location line="+1"/>
        <source></source>
        <translation>Zero relative position:</translation>
    </message>
    <message id="查询运动状态">
        <location line="+1"/>
        <source></source>
        <translation>Query motion state</translation>
    </message>
    <message id="运动(0停止) 左限 零点 右限(1未触发/0触发)">
        <location line="+1"/>
        <source></source>
        <translation>moving (0 stopped), left limit, home, right limit (1 inactive/0 active)</translation>
    </message>
    <message id="查询运动状态:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Query motion state:</translation>
    </message>
    <message id="急停">
        <location line="+1"/>
        <source></source>
        <translation>Emergency stop</translation>
    </message>
    <message id="急停命令:">
        <location line="+0"/>
        <source></source>
        <translation>Emergency stop:</translation>
    </message>
    <message id="减速停止">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+158"/>
        <source></source>
        <translation>Soft stop</translation>
    </message>
    <message id="减速停止命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Decelerate to stop:</translation>
    </message>
    <message id="查找原点1">
        <location line="+1"/>
        <source></source>
        <translation>Homing 1</translation>
    </message>
    <message id="查找原点命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Homing:</translation>
    </message>
    <message id="设置寄存器映射(存储器偏移)地址">
        <location line="+3"/>
        <source></source>
        <translation>Set register mapping (memory offset) address</translation>
    </message>
    <message id="映射地址0-65503，高字节在前">
        <location line="+1"/>
        <source></source>
        <translation>mapping address 0-65503, high byte first</translation>
    </message>
    <message id="设置存储器偏移地址:">
        <location line="+2"/>
        <source></source>
        <translation>Set memory offset address:</translation>
    </message>
    <message id="设置IO取代命令">
        <location line="+7"/>
        <source></source>
        <translation>Set IO override command</translation>
    </message>
    <message id="输入组合(IN5-IN1) + 命令(0-6字节)">
        <location line="+1"/>
        <source></source>
        <translation>input pattern (IN5-IN1) + command (0-6 bytes)</translation>
    </message>
    <message id="设置IO取代命令:">
        <location line="+3"/>
        <source></source>
        <translation>Set IO override command:</translation>
    </message>
    <message id="读取IO取代命令">
        <location line="+6"/>
        <source></source>
        <translation>Read IO override command</translation>
    </message>
    <message id="输入组合(IN5-IN1)">
        <location line="+1"/>
        <source></source>
        <translation>input pattern (IN5-IN1)</translation>
    </message>
    <message id="输入组合 + 保存的命令">
        <location line="+1"/>
        <source></source>
        <translation>input pattern + stored command</translation>
    </message>
    <message id="读取IO取代命令:">
        <location line="+2"/>
        <source></source>
        <translation>Read IO override command:</translation>
    </message>
    <message id="查询IN1-IN5状态">
        <location line="+3"/>
        <source></source>
        <translation>Query IN1-IN5</translation>
    </message>
    <message id="IN1-IN5(1未触发/0触发)">
        <location line="+1"/>
        <source></source>
        <translation>IN1-IN5 (1 inactive/0 active)</translation>
    </message>
    <message id="查询IN状态命令:">
        <location line="+0"/>
        <source></source>
        <translation>Query inputs:</translation>
    </message>
    <message id="查询 IN 1-5 状态:">
        <location line="+1"/>
        <source></source>
        <translation>Query IN 1-5:</translation>
    </message>
    <message id="输入常开/常闭">
        <location line="+3"/>
        <source></source>
        <translation>Inputs normally open/closed</translation>
    </message>
    <message id="9个01常开 / 9个00常闭">
        <location line="+1"/>
        <source></source>
        <translation>9 x 01 normally open / 9 x 00 normally closed</translation>
    </message>
    <message id="查询输入状态:">
        <location line="+2"/>
        <source></source>
        <translation>Input polarity:</translation>
    </message>
    <message id="设置变速因子">
        <location line="+7"/>
        <source></source>
        <translation>Set speed step factor</translation>
    </message>
    <message id="设置运动变速因子:">
        <location line="+3"/>
        <source></source>
        <translation>Set speed step factor:</translation>
    </message>
    <message id="设置变速因子命令:">
        <location line="+1"/>
        <source></source>
        <translation>Set speed step factor:</translation>
    </message>
    <message id="按因子加速1次">
        <location line="+4"/>
        <location filename="../ui/frm_main_ui.cpp" line="-2"/>
        <source></source>
        <translation>Speed up</translation>
    </message>
    <message id="定量加速命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Speed up one step:</translation>
    </message>
    <message id="按因子减速1次">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+1"/>
        <source></source>
        <translation>Slow down</translation>
    </message>
    <message id="定量减速命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Slow down one step:</translation>
    </message>
    <message id="出厂设置">
        <location line="+1"/>
        <location filename="../ui/frm_main_ui.cpp" line="+179"/>
        <source></source>
        <translation>Factory reset</translation>
    </message>
    <message id="出厂设置命令:">
        <location line="+0"/>
        <location line="+1"/>
        <source></source>
        <translation>Factory reset:</translation>
    </message>
    <message id="校验检查">
        <location line="+3"/>
        <source></source>
        <translation>Checksum checking</translation>
    </message>
    <message id="00有校验 / 01无校验">
        <location line="+1"/>
        <source></source>
        <translation>00 checked / 01 not checked</translation>
    </message>
    <message id="回复长度">
        <location line="+9"/>
        <source></source>
        <translation>Reply length</translation>
    </message>
    <message id="01回8字节 / 00回协议长度">
        <location line="+1"/>
        <source></source>
        <translation>01 always 8 bytes / 00 protocol length</translation>
    </message>
    <message id="CAN帧格式">
        <location line="+9"/>
        <source></source>
        <translation>CAN frame format</translation>
    </message>
    <message id="00标准帧 / 01扩展帧">
        <location line="+1"/>
        <source></source>
        <translation>00 standard / 01 extended</translation>
    </message>
    <message id="波特率代码 1(1M)-18(5K)">
        <location line="+10"/>
        <source></source>
        <translation>baud code 1 (1M) to 18 (5K)</translation>
    </message>
    <message id="HEX到CAN发送">
        <location line="+9"/>
        <location filename="../ui/frm_main_ui.cpp" line="+19"/>
        <source></source>
        <translation>Hex to CAN</translation>
    </message>
    <message id="0-5字节数据">
        <location line="+1"/>
        <source></source>
        <translation>0-5 data bytes</translation>
    </message>
    <message id="查找原点2">
        <location line="+4"/>
        <source></source>
        <translation>Homing 2</translation>
    </message>
    <message id="查找原点3">
        <location line="+1"/>
        <source></source>
        <translation>Homing 3</translation>
    </message>
    <message id="绝对位置运动">
        <location line="+1"/>
        <source></source>
        <translation>Absolute position move</translation>
    </message>
    <message id="目标绝对位置，高字节在前">
        <location line="+1"/>
        <source></source>
        <translation>target position, high byte first</translation>
    </message>
    <message id="通讯返回/末字符">
        <location line="+3"/>
        <source></source>
        <translation>Replies / last character</translation>
    </message>
    <message id="80不返回/00返回(01加末字符) + 数值">
        <location line="+1"/>
        <source></source>
        <translation>80 no replies / 00 replies (01 with last character) + value</translation>
    </message>
    <message id="继电器K1/K2">
        <location line="+7"/>
        <source></source>
        <translation>Relays K1/K2</translation>
    </message>
    <message id="K1(1开/0关) + K2(1开/0关)">
        <location line="+1"/>
        <source></source>
        <translation>K1 (1 on/0 off) + K2 (1 on/0 off)</translation>
    </message>
    <message id="掉电设置">
        <location line="+3"/>
        <location filename="../ui/frm_main_ui.cpp" line="+3"/>
        <source></source>
        <translation>Power loss</translation>
    </message>
    <message id="00 00不保存 / 01 00保存不运行 / 01 01保存并运行">
        <location line="+1"/>
        <source></source>
        <translation>00 00 no save / 01 00 save, don&apos;t resume / 01 01 save and resume</translation>
    </message>
    <message id="4倍频运动">
        <location line="+7"/>
        <location filename="../ui/frm_main_ui.cpp" line="-108"/>
        <source></source>
        <translation>x4 enc. move</translation>
    </message>
    <message id="反馈脉冲数，高字节在前">
        <location line="+0"/>
        <location line="+2"/>
        <source></source>
        <translation>encoder counts, high byte first</translation>
    </message>
    <message id="齿轮比运动">
        <location line="+0"/>
        <location filename="../ui/frm_main_ui.cpp" line="+3"/>
        <source></source>
        <translation>Geared move</translation>
    </message>
    <message id="到闭环位置">
        <location line="+2"/>
        <location filename="../ui/frm_main_ui.cpp" line="+3"/>
        <source></source>
        <translation>To encoder pos.</translation>
    </message>
    <message id="反馈位置，高字节在前">
        <location line="+0"/>
        <source></source>
        <translation>encoder position, high byte first</translation>
    </message>
    <message id="查询闭环绝对位置">
        <location line="+2"/>
        <source></source>
        <translation>Query encoder absolute position</translation>
    </message>
    <message id="查询闭环绝对位置:">
        <location line="+1"/>
        <source></source>
        <translation>Query encoder absolute position:</translation>
    </message>
    <message id="闭环绝对位置清零">
        <location line="+1"/>
        <source></source>
        <translation>Zero encoder absolute position</translation>
    </message>
    <message id="查询闭环相对位置">
        <location line="+1"/>
        <source></source>
        <translation>Query encoder relative position</translation>
    </message>
    <message id="查询闭环相对位置:">
        <location line="+1"/>
        <source></source>
        <translation>Query encoder relative position:</translation>
    </message>
    <message id="闭环相对位置清零">
        <location line="+1"/>
        <source></source>
        <translation>Zero encoder relative position</translation>
    </message>
    <message id="0或1">
        <location line="+4"/>
        <location line="+10"/>
        <source></source>
        <translation>0 or 1</translation>
    </message>
    <message id="积累误差">
        <location line="+9"/>
        <source></source>
        <translation>Error accumulation</translation>
    </message>
    <message id="00无积累误差 / 01有积累误差">
        <location line="+1"/>
        <source></source>
        <translation>00 no accumulation / 01 accumulate</translation>
    </message>
    <message id="设置闭环齿轮分子">
        <location line="+9"/>
        <source></source>
        <translation>Set gear numerator</translation>
    </message>
    <message id="查询闭环齿轮分子">
        <location line="+8"/>
        <source></source>
        <translation>Query gear numerator</translation>
    </message>
    <message id="查询闭环齿轮分子:">
        <location line="+1"/>
        <source></source>
        <translation>Query gear numerator:</translation>
    </message>
    <message id="设置闭环齿轮分母">
        <location line="+3"/>
        <source></source>
        <translation>Set gear denominator</translation>
    </message>
    <message id="查询闭环齿轮分母">
        <location line="+8"/>
        <source></source>
        <translation>Query gear denominator</translation>
    </message>
    <message id="查询闭环齿轮分母:">
        <location line="+1"/>
        <source></source>
        <translation>Query gear denominator:</translation>
    </message>
    <message id="查询闭环错误代码">
        <location line="+1"/>
        <source></source>
        <translation>Query closed-loop error</translation>
    </message>
    <message id="错误代码 + 3个保留字节00">
        <location line="+1"/>
        <source></source>
        <translation>error code + 3 reserved bytes 00</translation>
    </message>
    <message id="查询闭环错误代码:">
        <location line="+0"/>
        <source></source>
        <translation>Query closed-loop error:</translation>
    </message>
    <message id="“%1”的值“%2”超出范围（允许 %3），命令未发送。">
        <location filename="../commands/request.cpp" line="+28"/>
        <source></source>
        <translation>&quot;%1&quot;: the value &quot;%2&quot; is out of range (%3); command not sent.</translation>
    </message>
    <message id="0 到 255">
        <location line="+6"/>
        <source></source>
        <translation>0 to 255</translation>
    </message>
    <message id="“%1”的值“%2”不是 0 到 FF 的16进制数，命令未发送。">
        <location line="+12"/>
        <source></source>
        <translation>&quot;%1&quot;: &quot;%2&quot; is not a hex number from 0 to FF; command not sent.</translation>
    </message>
    <message id="-2147483648 到 2147483647">
        <location line="+7"/>
        <source></source>
        <translation>-2147483648 to 2147483647</translation>
    </message>
    <message id="%1“%2”不对：应为 1 到 F7 的16进制地址，如 1、1-10 或 1,3,8-B">
        <location line="+20"/>
        <source></source>
        <translation>%1 &quot;%2&quot; is not valid: expected hex addresses from 1 to F7, such as 1, 1-10 or 1,3,8-B</translation>
    </message>
    <message id="%1“%2”的地址太多：最多 %3 个">
        <location line="+19"/>
        <source></source>
        <translation>%1 &quot;%2&quot; has too many addresses: at most %3</translation>
    </message>
    <message id="0 到 16777215">
        <location line="+32"/>
        <source></source>
        <translation>0 to 16777215</translation>
    </message>
    <message id="0 到 4294967295">
        <location line="+0"/>
        <source></source>
        <translation>0 to 4294967295</translation>
    </message>
    <message id="命令数据超过255个字节，命令未发送。">
        <location line="+12"/>
        <source></source>
        <translation>The command&apos;s data exceeds 255 bytes; command not sent.</translation>
    </message>
    <message id="串口未打开，无法扫描">
        <location filename="../link/bus_scan.cpp" line="+20"/>
        <source></source>
        <translation>The port is not open; cannot scan</translation>
    </message>
    <message id="扫描地址范围应在 1 到 247 之间，且起始不大于结束">
        <location line="+4"/>
        <source></source>
        <translation>The scan range must lie within 1 to 247, its start not above its end</translation>
    </message>
    <message id="经设备服务器连接时不能换波特率，只能扫描地址">
        <location line="+4"/>
        <location filename="../app/cli_main.cpp" line="+280"/>
        <source></source>
        <translation>Over a device server the baud rate cannot be changed; only addresses are scanned</translation>
    </message>
    <message id="设备服务器地址 “%1” 无效（应为 tcp://主机:端口，如 tcp://192.168.1.20:4001）">
        <location filename="../link/link.cpp" line="+106"/>
        <source></source>
        <translation>Invalid device server address &quot;%1&quot; (use tcp://host:port, e.g. tcp://192.168.1.20:4001)</translation>
    </message>
    <message id="找不到该串口 “%1”（请填 COM 号 1-256，或设备名如 ttyUSB0、/dev/ttyUSB0）">
        <location line="+23"/>
        <source></source>
        <translation>Port &quot;%1&quot; not found (enter a COM number 1-256, or a device such as ttyUSB0 or /dev/ttyUSB0)</translation>
    </message>
    <message id="波特率“%1”无效，串口未打开。">
        <location line="+25"/>
        <source></source>
        <translation>Baud rate &quot;%1&quot; is invalid; the port was not opened.</translation>
    </message>
    <message id="它不是串口（不是终端设备）">
        <location line="+15"/>
        <source></source>
        <translation>it is not a serial port (not a terminal device)</translation>
    </message>
    <message id="串口已被其他程序占用">
        <location line="+3"/>
        <source></source>
        <translation>The port is in use by another program</translation>
    </message>
    <message id="没有访问权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录">
        <location line="+1"/>
        <source></source>
        <translation>No permission: add yourself to the dialout group (sudo usermod -aG dialout $USER), then log in again</translation>
    </message>
    <message id="无法打开串口 %1：%2（%3）">
        <location line="+2"/>
        <source></source>
        <translation>Cannot open port %1: %2 (%3)</translation>
    </message>
    <message id="无法连接设备服务器 %1：%2">
        <location line="+67"/>
        <source></source>
        <translation>Cannot connect to device server %1: %2</translation>
    </message>
    <message id="线路按波特率计时">
        <location line="+44"/>
        <source></source>
        <translation>line timed by the baud rate</translation>
    </message>
    <message id="线路按波特率计时（按设置）">
        <location line="+1"/>
        <source></source>
        <translation>line timed by the baud rate (as set)</translation>
    </message>
    <message id="线路不计时（设备服务器）">
        <location line="+1"/>
        <source></source>
        <translation>line not timed (device server)</translation>
    </message>
    <message id="线路不计时（按设置）">
        <location line="+1"/>
        <source></source>
        <translation>line not timed (as set)</translation>
    </message>
    <message id="线路不计时（伪终端）">
        <location line="+1"/>
        <source></source>
        <translation>line not timed (pseudo-terminal)</translation>
    </message>
    <message id="线路不计时（USB 虚拟串口）">
        <location line="+1"/>
        <source></source>
        <translation>line not timed (USB virtual serial port)</translation>
    </message>
    <message id="没有错误">
        <location line="+192"/>
        <source></source>
        <translation>No error</translation>
    </message>
    <message id="找不到该串口">
        <location line="+2"/>
        <source></source>
        <translation>Port not found</translation>
    </message>
    <message id="串口已被其他程序占用或没有访问权限">
        <location line="+2"/>
        <source></source>
        <translation>The port is in use or not accessible</translation>
    </message>
    <message id="串口已经打开">
        <location line="+2"/>
        <source></source>
        <translation>The port is already open</translation>
    </message>
    <message id="写串口失败">
        <location line="+2"/>
        <source></source>
        <translation>Write to the port failed</translation>
    </message>
    <message id="读串口失败，设备可能已断开">
        <location line="+2"/>
        <source></source>
        <translation>Read from the port failed; the device may be disconnected</translation>
    </message>
    <message id="串口设备已断开">
        <location line="+2"/>
        <source></source>
        <translation>The port&apos;s device is disconnected</translation>
    </message>
    <message id="串口不支持该设置（如波特率）">
        <location line="+2"/>
        <source></source>
        <translation>The port does not support this setting (e.g. the baud rate)</translation>
    </message>
    <message id="串口操作超时">
        <location line="+2"/>
        <source></source>
        <translation>Port operation timed out</translation>
    </message>
    <message id="串口未打开">
        <location line="+2"/>
        <source></source>
        <translation>The port is not open</translation>
    </message>
    <message id="未知的串口错误">
        <location line="+2"/>
        <source></source>
        <translation>Unknown port error</translation>
    </message>
    <message id="连接被拒绝，该端口上没有服务">
        <location line="+7"/>
        <source></source>
        <translation>connection refused, nothing listens on that port</translation>
    </message>
    <message id="找不到该主机名">
        <location line="+2"/>
        <source></source>
        <translation>host name not found</translation>
    </message>
    <message id="%1 秒内没有连上">
        <location line="+2"/>
        <source></source>
        <translation>no connection within %1 s</translation>
    </message>
    <message id="设备服务器关闭了连接">
        <location line="+2"/>
        <source></source>
        <translation>the device server closed the connection</translation>
    </message>
    <message id="网络中断（%1）">
        <location line="+2"/>
        <source></source>
        <translation>network down (%1)</translation>
    </message>
    <message id="网络错误（%1）">
        <location line="+2"/>
        <source></source>
        <translation>network error (%1)</translation>
    </message>
    <message id="驱动器配置正在读写中">
        <location filename="../link/profile_session.cpp" line="+46"/>
        <location line="+90"/>
        <source></source>
        <translation>A profile read or write is already running</translation>
    </message>
    <message id="没有要读写的设置">
        <location line="-86"/>
        <source></source>
        <translation>No settings to read or write</translation>
    </message>
    <message id="%1，%2">
        <location line="+48"/>
        <source></source>
        <translation>%1, %2</translation>
    </message>
    <message id="应答不符">
        <location line="+12"/>
        <location filename="../link/transaction.cpp" line="+55"/>
        <source></source>
        <translation>Mismatch</translation>
    </message>
    <message id="没有要读写的驱动器">
        <location line="+30"/>
        <source></source>
        <translation>No drives to read or write</translation>
    </message>
    <message id="运动中">
        <location filename="../link/reply_decoder.cpp" line="+59"/>
        <location filename="../script/expect.cpp" line="+43"/>
        <source></source>
        <translation>Moving</translation>
    </message>
    <message id="停止">
        <location line="+0"/>
        <location filename="../script/expect.cpp" line="-1"/>
        <location filename="../ui/frm_main_ui.cpp" line="-151"/>
        <source></source>
        <translation>Stopped</translation>
    </message>
    <message id="校验错误:">
        <location line="+66"/>
        <source></source>
        <translation>Checksum error:</translation>
    </message>
    <message id="异常应答:">
        <location line="+2"/>
        <source></source>
        <translation>Exception:</translation>
    </message>
    <message id="正常">
        <location filename="../link/transaction.cpp" line="-8"/>
        <location filename="../ui/monitor_view.cpp" line="+348"/>
        <location filename="../ui/profile_view.cpp" line="+197"/>
        <source></source>
        <translation>OK</translation>
    </message>
    <message id="校验错误">
        <location line="+2"/>
        <location filename="../ui/monitor_view.cpp" line="+1"/>
        <source></source>
        <translation>Checksum error</translation>
    </message>
    <message id="异常应答">
        <location line="+2"/>
        <location filename="../ui/monitor_view.cpp" line="+0"/>
        <source></source>
        <translation>Exception</translation>
    </message>
    <message id="无应答">
        <location line="+2"/>
        <location filename="../ui/monitor_view.cpp" line="+0"/>
        <source></source>
        <translation>No reply</translation>
    </message>
    <message id="广播">
        <location line="+4"/>
        <source></source>
        <translation>Broadcast</translation>
    </message>
    <message id="未检查">
        <location line="+2"/>
        <source></source>
        <translation>Unchecked</translation>
    </message>
    <message id="迟到应答">
        <location line="+4"/>
        <location filename="../ui/frm_main.cpp" line="+542"/>
        <source></source>
        <translation>Late reply</translation>
    </message>
    <message id="非法功能">
        <location line="+13"/>
        <source></source>
        <translation>illegal function</translation>
    </message>
    <message id="非法数据地址">
        <location line="+2"/>
        <source></source>
        <translation>illegal data address</translation>
    </message>
    <message id="非法数据值">
        <location line="+2"/>
        <source></source>
        <translation>illegal data value</translation>
    </message>
    <message id="从站设备故障">
        <location line="+2"/>
        <source></source>
        <translation>slave device failure</translation>
    </message>
    <message id="停止命令优先，未发送">
        <location filename="../link/transaction_queue.cpp" line="+41"/>
        <source></source>
        <translation>a stop went first; not sent</translation>
    </message>
    <message id="写入失败">
        <location line="+6"/>
        <source></source>
        <translation>write failed</translation>
    </message>
    <message id="串口未打开，没有发送">
        <location line="+64"/>
        <location filename="../core/job.cpp" line="+64"/>
        <location filename="../ui/frm_main.cpp" line="-43"/>
        <source></source>
        <translation>The port is not open; nothing sent</translation>
    </message>
    <message id="已有 %1 条命令在排队等待发送，这条命令未发送">
        <location line="+3"/>
        <source></source>
        <translation>%1 commands are already waiting to be sent; this one was not sent</translation>
    </message>
    <message id="这条命令的应答没有可检查的值：请用 Expect: 加应答的字节">
        <location filename="../script/expect.cpp" line="+89"/>
        <source></source>
        <translation>this command&apos;s reply has no value to check: use Expect: with the reply&apos;s bytes</translation>
    </message>
    <message id="这条命令的应答是不小于 0 的整数，“%1”不会相符">
        <location line="+4"/>
        <source></source>
        <translation>this command&apos;s reply is a whole number of 0 or more: &quot;%1&quot; can never match</translation>
    </message>
    <message id="这条命令的应答是整数，“%1”不会相符">
        <location line="+2"/>
        <source></source>
        <translation>this command&apos;s reply is a whole number: &quot;%1&quot; can never match</translation>
    </message>
    <message id="这条命令的应答是运动状态（停止或运动中），“%1”不会相符">
        <location line="+2"/>
        <source></source>
        <translation>this command&apos;s reply is a motion state (Stopped or Moving): &quot;%1&quot; can never match</translation>
    </message>
    <message id="这条命令的应答是16进制字节，“%1”不会相符">
        <location line="+2"/>
        <source></source>
        <translation>this command&apos;s reply is bytes in hex: &quot;%1&quot; can never match</translation>
    </message>
    <message id="没有正常的应答">
        <location line="+6"/>
        <source></source>
        <translation>no good reply</translation>
    </message>
    <message id="应答为 %1，应为 %2">
        <location line="+5"/>
        <source></source>
        <translation>the reply is %1, expected %2</translation>
    </message>
    <message id="值为“%1”，应为“%2”">
        <location line="+8"/>
        <source></source>
        <translation>the value is &quot;%1&quot;, expected &quot;%2&quot;</translation>
    </message>
    <message id="%1 是文件夹，不是脚本文件">
        <location filename="../script/script_file.cpp" line="+16"/>
        <source></source>
        <translation>%1 is a folder, not a script file</translation>
    </message>
    <message id="%1 不是普通文件，无法载入">
        <location line="+1"/>
        <source></source>
        <translation>%1 is not a regular file and cannot be loaded</translation>
    </message>
    <message id="无法打开文件 %1：%2">
        <location line="+3"/>
        <location filename="../app/cli_main.cpp" line="-185"/>
        <source></source>
        <translation>Cannot open the file %1: %2</translation>
    </message>
    <message id="读取文件 %1 出错：%2">
        <location line="+3"/>
        <source></source>
        <translation>Error reading the file %1: %2</translation>
    </message>
    <message id="%1 第 %2 行“%3”：Expect 后应为应答的字节（如 01 26 04 00 00 03 E8）或 value=数值，文件未载入">
        <location line="+4"/>
        <source></source>
        <translation>%1, line %2 &quot;%3&quot;: Expect must be followed by the reply&apos;s bytes (such as 01 26 04 00 00 03 E8) or value=number; the file was not loaded</translation>
    </message>
    <message id="无法删除原文件 %1">
        <location line="+12"/>
        <source></source>
        <translation>Cannot remove the old file %1</translation>
    </message>
    <message id="保存文件 %1 失败：%2">
        <location line="+8"/>
        <source></source>
        <translation>Could not save the file %1: %2</translation>
    </message>
    <message id="这一行的 Expect 无效">
        <location filename="../script/script_runner.cpp" line="+58"/>
        <source></source>
        <translation>this Expect line is invalid</translation>
    </message>
    <message id="没有正常的应答：第 %1 行的校验码不对，驱动器不会应答它">
        <location line="+2"/>
        <source></source>
        <translation>no valid reply: the checksum of line %1 is wrong, so a drive does not answer it</translation>
    </message>
    <message id="系统提示">
        <location filename="../ui/frm_main.cpp" line="-467"/>
        <location filename="../ui/monitor_view.cpp" line="+177"/>
        <location line="+11"/>
        <location filename="../ui/motion_view.cpp" line="-294"/>
        <location filename="../ui/panel_senders.cpp" line="+21"/>
        <location filename="../ui/scan_dialog.cpp" line="+126"/>
        <location line="+11"/>
        <location filename="../ui/script_panel.cpp" line="+16"/>
        <source></source>
        <translation>Notice</translation>
    </message>
    <message id="设备操作地址(Hex)">
        <location line="+1"/>
        <location filename="../ui/panel_senders.cpp" line="+2"/>
        <source></source>
        <translation>Device address (hex)</translation>
    </message>
    <message id="LastChr/通讯不返回的数值">
        <location filename="../ui/panel_senders.cpp" line="+1"/>
        <source></source>
        <translation>value for LastChr / No replies</translation>
    </message>
    <message id="串口步进电机驱动器调试工具">
        <location filename="../ui/frm_main.cpp" line="+12"/>
        <source></source>
        <translation>Bench tool for serial-bus stepper motor drivers</translation>
    </message>
    <message id="源代码的许可证: MIT。本程序使用 Qt Charts (GPL-3)，因此编译出的程序按 GPL-3 的条款分发。">
        <location line="+1"/>
        <source></source>
        <translation>The sources are licensed under the MIT license. The program uses Qt Charts (GPL-3), so the built program is distributed under the terms of the GPL-3.</translation>
    </message>
    <message id="关于">
        <location line="+27"/>
        <source></source>
        <translation>About</translation>
    </message>
    <message id="请先打开串口。">
        <location line="+26"/>
        <source></source>
        <translation>Open the port first.</translation>
    </message>
    <message id="运动曲线">
        <location line="+12"/>
        <source></source>
        <translation>Motion plots</translation>
    </message>
    <message id="驱动器配置">
        <location line="+1"/>
        <location filename="../ui/profile_view.cpp" line="-172"/>
        <source></source>
        <translation>Drive profile</translation>
    </message>
    <message id="通讯监视">
        <location line="+1"/>
        <source></source>
        <translation>Monitor</translation>
    </message>
    <message id="%1   失败 %2">
        <location line="+255"/>
        <source></source>
        <translation>%1   failed %2</translation>
    </message>
    <message id="已开“回显抑制”，但收到的字节不是刚发出的命令：这个转换器可能不回显">
        <location line="-224"/>
        <location filename="../app/cli_main.cpp" line="+115"/>
        <source></source>
        <translation>Echo suppression is on, but what came back is not the request just sent: this adapter may not echo</translation>
    </message>
    <message id="(刹车)K1开">
        <location filename="../ui/frm_main_ui.cpp" line="+258"/>
        <location filename="../ui/panel_senders.cpp" line="+45"/>
        <location line="+198"/>
        <source></source>
        <translation>K1 (brake) on</translation>
    </message>
    <message id="K2开">
        <location line="+1"/>
        <location filename="../ui/panel_senders.cpp" line="-197"/>
        <location line="+200"/>
        <source></source>
        <translation>K2 on</translation>
    </message>
    <message id="脚本第 %1 行的检查未通过，脚本已停止：%2">
        <location filename="../ui/script_panel.cpp" line="+29"/>
        <source></source>
        <translation>The check on script line %1 failed; the script stopped: %2</translation>
    </message>
    <message id="“↓”已按下：下一条运动命令写入IO命令框，不发送（再按一次或按 Esc 取消）">
        <location filename="../ui/panel_senders.cpp" line="-149"/>
        <source></source>
        <translation>&quot;↓&quot; armed: the next motion command goes into the IO command field, not to the drive (press again or Esc to cancel)</translation>
    </message>
    <message id="“>”已按下：下一条命令加入脚本列表并发送（再按一次或按 Esc 取消）">
        <location line="+2"/>
        <source></source>
        <translation>&quot;&gt;&quot; armed: the next command is added to the script and sent (press again or Esc to cancel)</translation>
    </message>
    <message id="正在连接设备服务器 %1 …">
        <location filename="../ui/frm_main.cpp" line="+121"/>
        <source></source>
        <translation>Connecting to device server %1 …</translation>
    </message>
    <message id="已连接设备服务器：%1（波特率等线路参数由设备服务器设定）">
        <location line="+20"/>
        <source></source>
        <translation>Connected to device server: %1 (the server sets baud rate and line settings)</translation>
    </message>
    <message id="串口已打开：%1  %2,n,8,1">
        <location line="+1"/>
        <source></source>
        <translation>Port open: %1  %2,n,8,1</translation>
    </message>
    <message id="设备服务器由它自己设定线路（波特率等），波特率框不起作用">
        <location line="+18"/>
        <source></source>
        <translation>A device server sets its own line (baud rate etc.); the baud box does not apply</translation>
    </message>
    <message id="串口已关闭">
        <location filename="../link/transaction_queue.cpp" line="-71"/>
        <location filename="../ui/frm_main.cpp" line="+19"/>
        <source></source>
        <translation>Port closed</translation>
    </message>
    <message id="不再等待串口，已关闭">
        <location filename="../ui/frm_main.cpp" line="-2"/>
        <source></source>
        <translation>Stopped waiting for the port; closed</translation>
    </message>
    <message id="串口已关闭，%1 条排队的命令没有发送">
        <location line="+1"/>
        <source></source>
        <translation>Port closed; %1 queued commands were not sent</translation>
    </message>
    <message id="应答超时“%1”超出范围（允许 10 到 60000 毫秒），仍为 %2 毫秒。">
        <location line="+10"/>
        <source></source>
        <translation>Reply timeout &quot;%1&quot; is out of range (10 to 60000 ms); it stays %2 ms.</translation>
    </message>
    <message id="广播后间隔“%1”超出范围（允许 0 到 60000 毫秒），仍为 %2 毫秒。">
        <location line="+12"/>
        <source></source>
        <translation>Broadcast turnaround “%1” is out of range (0 to 60000 ms allowed); it stays %2 ms.</translation>
    </message>
    <message id="%1：%2">
        <location line="+13"/>
        <location filename="../ui/profile_view.cpp" line="+176"/>
        <location filename="../app/cli_output.cpp" line="+306"/>
        <source></source>
        <translation>%1: %2</translation>
    </message>
    <message id="往返 %1 ms">
        <location line="+12"/>
        <source></source>
        <translation>Round trip %1 ms</translation>
    </message>
    <message id="串口断开">
        <location filename="../link/transaction_queue.cpp" line="+2"/>
        <source></source>
        <translation>port lost</translation>
    </message>
    <message id="串口已断开并关闭：%1">
        <location filename="../ui/frm_main.cpp" line="+9"/>
        <source></source>
        <translation>Port lost and closed: %1</translation>
    </message>
    <message id="等待串口重新出现…（%1）">
        <location line="+8"/>
        <source></source>
        <translation>Waiting for the port to come back… (%1)</translation>
    </message>
    <message id="串口重新打开：%1">
        <location line="+13"/>
        <source></source>
        <translation>Port reopened: %1</translation>
    </message>
    <message id="串口已重新打开：%1">
        <location line="+1"/>
        <source></source>
        <translation>Port reopened: %1</translation>
    </message>
    <message id="驱动器读回值">
        <source></source>
        <translation type="vanished">Read back from drive</translation>
    </message>
    <message id="面板设置值">
        <source></source>
        <translation type="vanished">Panel value</translation>
    </message>
    <message id="脚本正在运行，扫描会打乱它的命令；请先停止“按行循环执行命令”。">
        <location line="+31"/>
        <source></source>
        <translation>A script is running and a scan would disturb it; stop &quot;Run script&quot; first.</translation>
    </message>
    <message id="请先打开串口，再扫描总线。">
        <location line="+1"/>
        <source></source>
        <translation>Open the port before scanning the bus.</translation>
    </message>
    <message id="已取用地址 %1">
        <location line="+10"/>
        <source></source>
        <translation>Took address %1</translation>
    </message>
    <message id="已取用地址 %1、波特率 %2，串口已改用该波特率">
        <location line="+11"/>
        <source></source>
        <translation>Took address %1 and baud rate %2; the port now runs at that rate</translation>
    </message>
    <message id="已取用地址 %1、波特率 %2（波特率在重新打开串口后生效）">
        <location line="+1"/>
        <source></source>
        <translation>Took address %1 and baud rate %2 (the baud rate applies when the port is reopened)</translation>
    </message>
    <message id="偏移地址超出范围,请设置0-65500之间">
        <location filename="../ui/panel_senders.cpp" line="+56"/>
        <source></source>
        <translation>Mapping address out of range; use 0 to 65500</translation>
    </message>
    <message id="通讯不返回">
        <location filename="../ui/frm_main_ui.cpp" line="-18"/>
        <location filename="../ui/panel_senders.cpp" line="+18"/>
        <location line="+58"/>
        <source></source>
        <translation>No replies</translation>
    </message>
    <message id="通讯有返回">
        <location filename="../ui/panel_senders.cpp" line="+0"/>
        <source></source>
        <translation>Replies on</translation>
    </message>
    <message id="(刹车)K1关">
        <location line="+12"/>
        <source></source>
        <translation>K1 (brake) off</translation>
    </message>
    <message id="K1关">
        <location line="+2"/>
        <source></source>
        <translation>K1 off</translation>
    </message>
    <message id="K1开">
        <location line="+0"/>
        <source></source>
        <translation>K1 on</translation>
    </message>
    <message id="K2关">
        <location line="+1"/>
        <source></source>
        <translation>K2 off</translation>
    </message>
    <message id="空行，脚本在此等待">
        <location filename="../ui/script_panel.cpp" line="+59"/>
        <source></source>
        <translation>empty line; the script waits here</translation>
    </message>
    <message id="没有这一行，脚本在此等待">
        <location line="+3"/>
        <source></source>
        <translation>no such line; the script waits here</translation>
    </message>
    <message id="延时为0或不是数字，脚本停止执行">
        <location line="+3"/>
        <source></source>
        <translation>delay of 0 or not a number; the script stops stepping</translation>
    </message>
    <message id="延时超出 0-65535 毫秒，改用循环间隔">
        <location line="+3"/>
        <source></source>
        <translation>delay outside 0-65535 ms; the loop interval is used instead</translation>
    </message>
    <message id="不是16进制，没有发送">
        <location line="+3"/>
        <source></source>
        <translation>not hex; nothing sent</translation>
    </message>
    <message id="脚本第 %1 行：%2">
        <location line="+5"/>
        <source></source>
        <translation>Script line %1: %2</translation>
    </message>
    <message id="循环间隔“%1”超出范围（允许 0 到 65535 毫秒），脚本未运行。">
        <location line="-38"/>
        <source></source>
        <translation>Loop interval &quot;%1&quot; is out of range (0 to 65535 ms); the script did not start.</translation>
    </message>
    <message id="打开文件">
        <location filename="../ui/frm_main_ui.cpp" line="-38"/>
        <location filename="../ui/script_panel.cpp" line="+59"/>
        <source></source>
        <translation>Open file</translation>
    </message>
    <message id="脚本结束：%1">
        <location filename="../ui/script_panel.cpp" line="-90"/>
        <source></source>
        <translation>Script ended: %1</translation>
    </message>
    <message id="txt文件(*.txt);;所有文件(*.*)">
        <location line="+90"/>
        <source></source>
        <translation>Text files (*.txt);;All files (*.*)</translation>
    </message>
    <message id="文件名无效,请重新打开!">
        <location line="+3"/>
        <source></source>
        <translation>Invalid file name, please open again!</translation>
    </message>
    <message id="已载入 %1 行：%2">
        <location line="+16"/>
        <source></source>
        <translation>Loaded %1 lines: %2</translation>
    </message>
    <message id="已载入 %1 行：%2。注意：%3，这样的帧照原样发出，驱动器不会应答">
        <location line="+1"/>
        <source></source>
        <translation>Loaded %1 lines: %2. Note: %3; such a frame is sent as written and a drive does not answer it</translation>
    </message>
    <message id="，">
        <location line="+2"/>
        <source></source>
        <translation>, </translation>
    </message>
    <message id="文件 %1 已不存在，已从“最近打开”中去掉">
        <location line="+13"/>
        <source></source>
        <translation>The file %1 no longer exists and was removed from &quot;Recent&quot;</translation>
    </message>
    <message id="（没有最近打开的文件）">
        <location line="+4"/>
        <source></source>
        <translation>(no recent files)</translation>
    </message>
    <message id="保存文件">
        <location line="+5"/>
        <source></source>
        <translation>Save file</translation>
    </message>
    <message id="TXT文件(*.TXT);;所有文件(*.*)">
        <location line="+0"/>
        <source></source>
        <translation>TXT files (*.TXT);;All files (*.*)</translation>
    </message>
    <message id="文件保存">
        <location line="+2"/>
        <source></source>
        <translation>Save file</translation>
    </message>
    <message id="是否覆盖文件？">
        <location filename="../ui/monitor_view.cpp" line="-34"/>
        <location filename="../ui/motion_view.cpp" line="+525"/>
        <location filename="../ui/profile_view.cpp" line="+184"/>
        <location filename="../ui/script_panel.cpp" line="+0"/>
        <source></source>
        <translation>Overwrite the file?</translation>
    </message>
    <message id="已保存：%1">
        <location filename="../ui/script_panel.cpp" line="+10"/>
        <source></source>
        <translation>Saved: %1</translation>
    </message>
    <message id="列表为空，没有写入文件；原文件已删除：%1">
        <location line="+2"/>
        <source></source>
        <translation>The list is empty: no file written; the old file was removed: %1</translation>
    </message>
    <message id="列表为空，没有保存文件">
        <location line="+1"/>
        <source></source>
        <translation>The list is empty: no file saved</translation>
    </message>
    <message id="“16进制：”框中没有可计算的字节">
        <location filename="../ui/panel_senders.cpp" line="+41"/>
        <source></source>
        <translation>No bytes in the &quot;Hex:&quot; field to compute</translation>
    </message>
    <message id="已发送停止命令，脚本已停止">
        <location filename="../ui/frm_main.cpp" line="+65"/>
        <source></source>
        <translation>Stop sent; the script has been stopped</translation>
    </message>
    <message id="西门子标准格式:">
        <location line="+5"/>
        <source></source>
        <translation>PLC standard format:</translation>
    </message>
    <message id="回显:发出的命令被转换器送回">
        <location line="+21"/>
        <source></source>
        <translation>Echo: the adapter handed back the request</translation>
    </message>
    <message id="加入高级命令">
        <location filename="../ui/frm_main_ui.cpp" line="-494"/>
        <source></source>
        <translation>Add to script</translation>
    </message>
    <message id="添加高级命令">
        <location line="+1"/>
        <source></source>
        <translation>Add to script</translation>
    </message>
    <message id="添加IO取代命令">
        <location line="+1"/>
        <source></source>
        <translation>Capture as IO override</translation>
    </message>
    <message id="Qelvar数控MODBUS调试工具v6.3">
        <location line="+79"/>
        <source></source>
        <translation>Qelvar Modbus motion debug tool v6.3</translation>
    </message>
    <message id="语言(Language):                     Version 6.3">
        <location line="+3"/>
        <source></source>
        <translation>Language:                     Version 6.3</translation>
    </message>
    <message id="选择通讯模式:">
        <location line="+5"/>
        <source></source>
        <translation>Link mode:</translation>
    </message>
    <message id="设备操作地址(Hex)：">
        <location line="+2"/>
        <source></source>
        <translation>Device address (hex):</translation>
    </message>
    <message id="PLC标准协议">
        <location line="+2"/>
        <location filename="../ui/record_writer.cpp" line="+333"/>
        <source></source>
        <translation>PLC protocol</translation>
    </message>
    <message id="读">
        <location line="+1"/>
        <source></source>
        <translation>Read</translation>
    </message>
    <message id="写">
        <location line="+1"/>
        <source></source>
        <translation>Write</translation>
    </message>
    <message id="设寄存器映射地址">
        <location line="+5"/>
        <source></source>
        <translation>Set mapping addr</translation>
    </message>
    <message id="应答超时(ms)">
        <location line="+19"/>
        <source></source>
        <translation>Reply timeout (ms)</translation>
    </message>
    <message id="广播后间隔(ms)">
        <location line="+4"/>
        <source></source>
        <translation>Broadcast turnaround (ms)</translation>
    </message>
    <message id="广播（地址0）之后，下一条命令前给设备的时间">
        <location line="+1"/>
        <source></source>
        <translation>The time devices are given after a broadcast (address 0) before the next request</translation>
    </message>
    <message id="串口设置">
        <location line="+11"/>
        <source></source>
        <translation>Serial port</translation>
    </message>
    <message id="串口号：  COM">
        <location line="+1"/>
        <source></source>
        <translation>Port:  COM</translation>
    </message>
    <message id="打开">
        <location line="+4"/>
        <source></source>
        <translation>Open</translation>
    </message>
    <message id="波特率：">
        <location line="+1"/>
        <source></source>
        <translation>Baud:</translation>
    </message>
    <message id="关闭">
        <location line="+5"/>
        <location filename="../ui/record_dialog.cpp" line="+41"/>
        <source></source>
        <translation>Close</translation>
    </message>
    <message id="起始/终止位为1,无硬件奇偶校验">
        <location line="+2"/>
        <source></source>
        <translation>1 stop bit, no parity</translation>
    </message>
    <message id="自动重连">
        <location line="+1"/>
        <source></source>
        <translation>Reconnect</translation>
    </message>
    <message id="串口断开后等待它重新出现，再以同样的设置打开，脚本接着运行">
        <location line="+2"/>
        <source></source>
        <translation>When the port is lost, wait for it to come back, reopen it with the same settings and carry on with the script</translation>
    </message>
    <message id="扫描总线">
        <location line="+1"/>
        <location filename="../ui/scan_dialog.cpp" line="-87"/>
        <source></source>
        <translation>Scan bus</translation>
    </message>
    <message id="查找总线上的设备地址和波特率">
        <location line="+0"/>
        <source></source>
        <translation>Find the addresses and baud rates of the devices on the bus</translation>
    </message>
    <message id="回显抑制">
        <location line="+1"/>
        <source></source>
        <translation>Echo suppression</translation>
    </message>
    <message id="RS-485 转换器把发出的字节又收回来时打开：每条命令之后先收到的与它相同的字节当作回显跳过">
        <location line="+2"/>
        <source></source>
        <translation>Turn on when the RS-485 adapter hands back what it sends: the request&apos;s own bytes coming back first after each request are skipped as its echo</translation>
    </message>
    <message id="自动">
        <location line="+4"/>
        <source></source>
        <translation>Automatic</translation>
    </message>
    <message id="按波特率">
        <location line="+0"/>
        <source></source>
        <translation>By baud rate</translation>
    </message>
    <message id="不计时">
        <location line="+0"/>
        <source></source>
        <translation>Not timed</translation>
    </message>
    <message id="线路计时：">
        <location line="+1"/>
        <source></source>
        <translation>Line timing:</translation>
    </message>
    <message id="自动：串口(ttyS)和USB转串口(ttyUSB)按波特率计时，应答只能在命令发完之后开始；USB虚拟串口(ttyACM)、伪终端和设备服务器不计时，应答来得多快都算">
        <location line="+2"/>
        <source></source>
        <translation>Automatic: a serial port (ttyS) and a USB-serial adapter (ttyUSB) are timed by the baud rate, so a reply can begin only after the request has gone out; a USB virtual serial port (ttyACM), a pseudo-terminal and a device server are not timed, so a reply counts however soon it comes</translation>
    </message>
    <message id="基本命令">
        <location line="+22"/>
        <source></source>
        <translation>Basic commands</translation>
    </message>
    <message id="查地址">
        <location line="+1"/>
        <source></source>
        <translation>Query addr</translation>
    </message>
    <message id="查波特率">
        <location line="+2"/>
        <source></source>
        <translation>Query baud</translation>
    </message>
    <message id="改地址">
        <location line="+3"/>
        <source></source>
        <translation>Set addr</translation>
    </message>
    <message id="改波特率">
        <location line="+4"/>
        <source></source>
        <translation>Set baud</translation>
    </message>
    <message id="参数设置与查询">
        <location line="+15"/>
        <source></source>
        <translation>Parameters and queries</translation>
    </message>
    <message id="新设值      查询值             运动相关查询">
        <location line="+1"/>
        <source></source>
        <translation>New value    Queried            Motion queries</translation>
    </message>
    <message id="查询设定值">
        <location line="+1"/>
        <source></source>
        <translation>Query the set value</translation>
    </message>
    <message id="运动速度">
        <location line="+25"/>
        <source></source>
        <translation>Speed</translation>
    </message>
    <message id="相对位置">
        <location line="+2"/>
        <location line="+216"/>
        <source></source>
        <translation>Relative</translation>
    </message>
    <message id="运动状态">
        <location line="-215"/>
        <source></source>
        <translation>State</translation>
    </message>
    <message id="查询IN">
        <location line="+1"/>
        <source></source>
        <translation>Inputs</translation>
    </message>
    <message id="清零">
        <location line="+9"/>
        <location line="+2"/>
        <location line="+202"/>
        <location line="+3"/>
        <source></source>
        <translation>Zero</translation>
    </message>
    <message id="停止左限右限零点">
        <location line="-199"/>
        <source></source>
        <translation>Stop LLim RLim Home</translation>
    </message>
    <message id="左限">
        <location line="+35"/>
        <location filename="../ui/motion_view.cpp" line="-761"/>
        <source></source>
        <translation>LLim</translation>
    </message>
    <message id="右限">
        <location line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+0"/>
        <source></source>
        <translation>RLim</translation>
    </message>
    <message id="零点">
        <location line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+0"/>
        <source></source>
        <translation>Home</translation>
    </message>
    <message id="运动控制">
        <location line="+22"/>
        <source></source>
        <translation>Motion</translation>
    </message>
    <message id="位置运动: 正/负方向脉冲数:">
        <location line="+10"/>
        <source></source>
        <translation>Position move, ± steps:</translation>
    </message>
    <message id="方向:          脉冲数:">
        <location line="+1"/>
        <source></source>
        <translation>Dir:          Steps:</translation>
    </message>
    <message id="恒速运动: 正/负方向速度:">
        <location line="+1"/>
        <source></source>
        <translation>Constant speed, ± speed:</translation>
    </message>
    <message id="方向:           速度:">
        <location line="+1"/>
        <source></source>
        <translation>Dir:           Speed:</translation>
    </message>
    <message id="查找零点: 方向:">
        <location line="+1"/>
        <source></source>
        <translation>Homing direction:</translation>
    </message>
    <message id="运动中改变速度:  新速度            PLUS/S">
        <location line="+1"/>
        <source></source>
        <translation>Change speed in motion: new            steps/s</translation>
    </message>
    <message id="运动">
        <location line="+2"/>
        <location line="+1"/>
        <location line="+1"/>
        <location line="+1"/>
        <location filename="../ui/motion_view.cpp" line="+0"/>
        <source></source>
        <translation>Move</translation>
    </message>
    <message id="归零1">
        <location line="+1"/>
        <source></source>
        <translation>Home 1</translation>
    </message>
    <message id="归零3">
        <location line="+1"/>
        <source></source>
        <translation>Home 3</translation>
    </message>
    <message id="归零2">
        <location line="+1"/>
        <source></source>
        <translation>Home 2</translation>
    </message>
    <message id="执行">
        <location line="+1"/>
        <source></source>
        <translation>Apply</translation>
    </message>
    <message id="固定加减速因子设定">
        <location line="+1"/>
        <source></source>
        <translation>Set speed step</translation>
    </message>
    <message id="立即停止">
        <location line="+4"/>
        <source></source>
        <translation>E-stop</translation>
    </message>
    <message id="IO控制:           ＝命令">
        <location line="+23"/>
        <source></source>
        <translation>IO override:           = command</translation>
    </message>
    <message id="IN序号  54321">
        <location line="+1"/>
        <source></source>
        <translation>IN no.  54321</translation>
    </message>
    <message id="下载">
        <location line="+7"/>
        <source></source>
        <translation>Write</translation>
    </message>
    <message id="闭环控制">
        <location line="+57"/>
        <source></source>
        <translation>Closed loop</translation>
    </message>
    <message id="无积累误差">
        <location line="+26"/>
        <source></source>
        <translation>No accum.</translation>
    </message>
    <message id="有积累误差">
        <location line="+1"/>
        <source></source>
        <translation>Accum. err.</translation>
    </message>
    <message id="高级自动控制功能(HEX格式)">
        <location line="+30"/>
        <source></source>
        <translation>Script (hex frames)</translation>
    </message>
    <message id="隔          MS">
        <location line="+2"/>
        <source></source>
        <translation>Every          ms</translation>
    </message>
    <message id="按行循环执行命令">
        <location line="+1"/>
        <source></source>
        <translation>Run script</translation>
    </message>
    <message id="命令另存为">
        <location line="+2"/>
        <source></source>
        <translation>Save as…</translation>
    </message>
    <message id="最近打开">
        <location line="+2"/>
        <location line="+2"/>
        <source></source>
        <translation>Recent</translation>
    </message>
    <message id="延时:        毫秒50-6000">
        <location line="+5"/>
        <source></source>
        <translation>Delay:        ms (50-60000)</translation>
    </message>
    <message id="插入命令">
        <location line="+1"/>
        <source></source>
        <translation>Add delay</translation>
    </message>
    <message id="命令操作">
        <location line="+1"/>
        <source></source>
        <translation>Script line</translation>
    </message>
    <message id="删除">
        <location line="+3"/>
        <source></source>
        <translation>Delete</translation>
    </message>
    <message id="清空">
        <location line="+1"/>
        <source></source>
        <translation>Clear all</translation>
    </message>
    <message id="其他">
        <location line="+10"/>
        <source></source>
        <translation>Other</translation>
    </message>
    <message id="输入信号常开常闭设置：">
        <location line="+1"/>
        <source></source>
        <translation>Input polarity:</translation>
    </message>
    <message id="输入常开">
        <location line="+2"/>
        <source></source>
        <translation>Inputs NO</translation>
    </message>
    <message id="输入常闭">
        <location line="+1"/>
        <source></source>
        <translation>Inputs NC</translation>
    </message>
    <message id="RS232/485 MODBUS通讯相关设置：">
        <location line="+1"/>
        <source></source>
        <translation>RS-232/485 Modbus settings:</translation>
    </message>
    <message id="无校验检查">
        <location line="+1"/>
        <source></source>
        <translation>Checksum off</translation>
    </message>
    <message id="有校验检查">
        <location line="+1"/>
        <source></source>
        <translation>Checksum on</translation>
    </message>
    <message id="回8byte长">
        <location line="+3"/>
        <source></source>
        <translation>Reply 8 bytes</translation>
    </message>
    <message id="回协议长">
        <location line="+1"/>
        <source></source>
        <translation>Reply exact</translation>
    </message>
    <message id="带CAN通讯的相关设置：">
        <location line="+2"/>
        <source></source>
        <translation>CAN models:</translation>
    </message>
    <message id="标准帧">
        <location line="+1"/>
        <source></source>
        <translation>Standard</translation>
    </message>
    <message id="扩展帧">
        <location line="+6"/>
        <source></source>
        <translation>Extended</translation>
    </message>
    <message id="带掉电保护型号的相关设置：">
        <location line="+3"/>
        <source></source>
        <translation>Models with power-loss memory:</translation>
    </message>
    <message id="掉电不保存">
        <location line="+3"/>
        <source></source>
        <translation>Don&apos;t save</translation>
    </message>
    <message id="带刹车控制和继电器输出的相关设置：">
        <location line="+2"/>
        <source></source>
        <translation>Models with brake and relay outputs:</translation>
    </message>
    <message id="接收内容：">
        <location line="+34"/>
        <source></source>
        <translation>Received:</translation>
    </message>
    <message id="清空内容">
        <location line="+3"/>
        <location line="+4"/>
        <source></source>
        <translation>Clear</translation>
    </message>
    <message id="发送内容：">
        <location line="-2"/>
        <source></source>
        <translation>Sent:</translation>
    </message>
    <message id="字符串：">
        <location line="+17"/>
        <source></source>
        <translation>Text:</translation>
    </message>
    <message id="发字符串">
        <location line="+4"/>
        <source></source>
        <translation>Send text</translation>
    </message>
    <message id="转16进制">
        <location line="+1"/>
        <source></source>
        <translation>To hex</translation>
    </message>
    <message id="16进制：">
        <location line="+1"/>
        <source></source>
        <translation>Hex:</translation>
    </message>
    <message id="发16进制">
        <location line="+4"/>
        <source></source>
        <translation>Send hex</translation>
    </message>
    <message id="发送ASC">
        <location line="+6"/>
        <source></source>
        <translation>Send ASCII</translation>
    </message>
    <message id="发送RTU">
        <location line="+2"/>
        <source></source>
        <translation>Send RTU</translation>
    </message>
    <message id="QelvarMODBUS调试工具">
        <location line="+47"/>
        <source></source>
        <translation>Qelvar Modbus tool</translation>
    </message>
    <message id="通讯协议">
        <location line="+1"/>
        <source></source>
        <translation>Protocol</translation>
    </message>
    <message id="原始字节">
        <location filename="../link/transaction_text.cpp" line="+29"/>
        <location filename="../ui/frm_main.cpp" line="-188"/>
        <location filename="../ui/monitor_view.cpp" line="-40"/>
        <source></source>
        <translation>raw bytes</translation>
    </message>
    <message id="事件">
        <location line="+14"/>
        <source></source>
        <translation>Event</translation>
    </message>
    <message id="(答第 %1 条)">
        <location line="+26"/>
        <source></source>
        <translation>(answers #%1)</translation>
    </message>
    <message id="时间">
        <location filename="../ui/monitor_view.cpp" line="-305"/>
        <location filename="../ui/record_writer.cpp" line="-5"/>
        <source></source>
        <translation>Time</translation>
    </message>
    <message id="地址">
        <location line="+1"/>
        <location line="+137"/>
        <location line="+58"/>
        <location filename="../ui/motion_view.cpp" line="+255"/>
        <location filename="../ui/profile_view.cpp" line="-124"/>
        <location filename="../ui/record_writer.cpp" line="+20"/>
        <source></source>
        <translation>Address</translation>
    </message>
    <message id="命令">
        <location line="-195"/>
        <location line="+189"/>
        <location filename="../ui/protocol_help.cpp" line="+60"/>
        <location line="+13"/>
        <source></source>
        <translation>Command</translation>
    </message>
    <message id="序号">
        <location line="-190"/>
        <source></source>
        <translation>#</translation>
    </message>
    <message id="间隔(ms)">
        <location line="+0"/>
        <source></source>
        <translation>Gap (ms)</translation>
    </message>
    <message id="请求">
        <location line="+1"/>
        <source></source>
        <translation>Request</translation>
    </message>
    <message id="应答">
        <location line="+1"/>
        <source></source>
        <translation>Reply</translation>
    </message>
    <message id="往返(ms)">
        <location line="+0"/>
        <location filename="../ui/scan_dialog.cpp" line="+64"/>
        <source></source>
        <translation>Round trip (ms)</translation>
    </message>
    <message id="结果">
        <location line="+0"/>
        <location filename="../ui/profile_view.cpp" line="+0"/>
        <source></source>
        <translation>Result</translation>
    </message>
    <message id="只看错误">
        <location line="+7"/>
        <source></source>
        <translation>Errors only</translation>
    </message>
    <message id="记录到文件">
        <location line="+2"/>
        <location line="+352"/>
        <source></source>
        <translation>Log to file</translation>
    </message>
    <message id="导出CSV">
        <location line="-340"/>
        <location line="+320"/>
        <location line="+2"/>
        <location filename="../ui/motion_view.cpp" line="-162"/>
        <location line="+124"/>
        <source></source>
        <translation>Export CSV</translation>
    </message>
    <message id="清零统计">
        <location line="-320"/>
        <source></source>
        <translation>Reset</translation>
    </message>
    <message id="清空表格">
        <location line="+2"/>
        <location line="+88"/>
        <source></source>
        <translation>Clear table</translation>
    </message>
    <message id="复制">
        <location line="-62"/>
        <source></source>
        <translation>Copy</translation>
    </message>
    <message id="只看这个地址(Hex)的通讯；空着看全部">
        <location line="+8"/>
        <source></source>
        <translation>Show only traffic of this address (hex); leave empty for all</translation>
    </message>
    <message id="全部命令">
        <location line="+2"/>
        <location line="+158"/>
        <source></source>
        <translation>All commands</translation>
    </message>
    <message id="在命令名称、请求、应答和结果中查找（字节可不带空格）">
        <location line="-157"/>
        <source></source>
        <translation>Search command names, requests, replies and results (bytes may be typed without spaces)</translation>
    </message>
    <message id="搜索">
        <location line="+1"/>
        <location line="+163"/>
        <source></source>
        <translation>Search</translation>
    </message>
    <message id="按命令统计">
        <location line="-162"/>
        <source></source>
        <translation>Statistics by command</translation>
    </message>
    <message id="按地址统计">
        <location line="+0"/>
        <source></source>
        <translation>Statistics by address</translation>
    </message>
    <message id="把每条通讯在结束时追加到一个CSV文件，逐行写入，程序崩溃也不丢">
        <location line="+4"/>
        <source></source>
        <translation>Append every transaction to a CSV file as it ends, line by line, so nothing is lost if the program crashes</translation>
    </message>
    <message id="记录文件到这个大小时另存为 名称-1.csv、名称-2.csv…，再开新文件">
        <location line="+4"/>
        <source></source>
        <translation>When the log reaches this size, set it aside as NAME-1.csv, NAME-2.csv… and start a new file</translation>
    </message>
    <message id="生成调试报告…">
        <location line="+24"/>
        <source></source>
        <translation>Commissioning report…</translation>
    </message>
    <message id="清空表格中的 %n 条通讯记录？（统计不变）" numerus="yes">
        <location line="+18"/>
        <source></source>
        <translation>
            <numerusform>Clear the %n transaction from the table? (The statistics stay.)</numerusform>
            <numerusform>Clear the %n transactions from the table? (The statistics stay.)</numerusform>
        </translation>
    </message>
    <message id="发送">
        <location line="+74"/>
        <location filename="../ui/protocol_help.cpp" line="-13"/>
        <source></source>
        <translation>Sent</translation>
    </message>
    <message id="最小(ms)">
        <location line="+2"/>
        <source></source>
        <translation>Min (ms)</translation>
    </message>
    <message id="平均/最大(ms)">
        <location line="+0"/>
        <source></source>
        <translation>Mean/max (ms)</translation>
    </message>
    <message id="99%(ms)">
        <location line="+0"/>
        <source></source>
        <translation>99% (ms)</translation>
    </message>
    <message id="合计">
        <location line="+109"/>
        <source></source>
        <translation>Total</translation>
    </message>
    <message id="CSV文件(*.csv);;所有文件(*.*)">
        <location line="+42"/>
        <source></source>
        <translation>CSV files (*.csv);;All files (*.*)</translation>
    </message>
    <message id="已导出表格中显示的 %n 条通讯记录（已筛选）：%1" numerus="yes">
        <location line="+9"/>
        <source></source>
        <translation>
            <numerusform>Exported the %n transaction shown in the table (filtered): %1</numerusform>
            <numerusform>Exported the %n transactions shown in the table (filtered): %1</numerusform>
        </translation>
    </message>
    <message id="已停止记录到文件">
        <location line="+8"/>
        <source></source>
        <translation>Stopped logging to file</translation>
    </message>
    <message id="每条通讯结束时追加到：%1">
        <location line="+11"/>
        <source></source>
        <translation>Appending every transaction as it ends to: %1</translation>
    </message>
    <message id="记录：%1  %2 KB">
        <location line="+15"/>
        <source></source>
        <translation>Log: %1  %2 KB</translation>
    </message>
    <message id="已导出 %n 条出错的通讯记录（只看错误）：%1" numerus="yes">
        <source></source>
        <translation type="vanished">
            <numerusform>Exported %n failed transaction (errors only): %1</numerusform>
            <numerusform>Exported %n failed transactions (errors only): %1</numerusform>
        </translation>
    </message>
    <message id="已导出 %n 条通讯记录：%1" numerus="yes">
        <location line="-32"/>
        <source></source>
        <translation>
            <numerusform>Exported %n transaction: %1</numerusform>
            <numerusform>Exported %n transactions: %1</numerusform>
        </translation>
    </message>
    <message id="已导出 %1 条通讯记录：%2">
        <source></source>
        <translation type="vanished">Exported %1 transactions: %2</translation>
    </message>
    <message id="导出失败，没有写入文件 %1：%2">
        <location line="-4"/>
        <location filename="../ui/motion_view.cpp" line="+549"/>
        <source></source>
        <translation>Export failed, no file written %1: %2</translation>
    </message>
    <message id="时间 (s)">
        <location filename="../ui/motion_chart.cpp" line="+179"/>
        <source></source>
        <translation>Time (s)</translation>
    </message>
    <message id="开始采样">
        <location filename="../ui/motion_view.cpp" line="-702"/>
        <location line="+215"/>
        <source></source>
        <translation>Start sampling</translation>
    </message>
    <message id="闭环">
        <location line="-213"/>
        <source></source>
        <translation>Closed loop</translation>
    </message>
    <message id="运动时自动采样">
        <location line="+1"/>
        <source></source>
        <translation>Sample automatically while moving</translation>
    </message>
    <message id="暂停">
        <location line="+1"/>
        <location line="+134"/>
        <source></source>
        <translation>Pause</translation>
    </message>
    <message id="只导出可见范围">
        <location line="-133"/>
        <source></source>
        <translation>Export visible range only</translation>
    </message>
    <message id="位置 (步)">
        <location line="+1"/>
        <source></source>
        <translation>Steps</translation>
    </message>
    <message id="闭环绝对位置">
        <source></source>
        <translation type="vanished">Encoder position</translation>
    </message>
    <message id="速度 (步/s)">
        <location line="+1"/>
        <source></source>
        <translation>Steps/s</translation>
    </message>
    <message id="跟随误差 (步)">
        <location line="+1"/>
        <source></source>
        <translation>Steps</translation>
    </message>
    <message id="导出PNG">
        <location line="+23"/>
        <location line="+126"/>
        <source></source>
        <translation>Export PNG</translation>
    </message>
    <message id="读取参数">
        <location line="-124"/>
        <source></source>
        <translation>Read parameters</translation>
    </message>
    <message id="向驱动器查询初速度、最大速度、末速度、加速度和减速度，用于画出规划曲线">
        <location line="+2"/>
        <source></source>
        <translation>Query the drive&apos;s start speed, maximum speed, end speed, acceleration and deceleration to draw the planned curve</translation>
    </message>
    <message id="全部">
        <location line="+8"/>
        <source></source>
        <translation>All</translation>
    </message>
    <message id="实际 %1 Hz">
        <location line="+2"/>
        <location line="+351"/>
        <location line="+2"/>
        <source></source>
        <translation>achieved %1 Hz</translation>
    </message>
    <message id="采样的驱动器地址(Hex)，最多 4 个，如 1 或 1-4；空着就是“设备操作地址”">
        <location line="-351"/>
        <source></source>
        <translation>Addresses (hex) of the drives to sample, at most 4, such as 1 or 1-4; empty means the device address</translation>
    </message>
    <message id="驱动器停止这么久之后，自动采样结束">
        <location line="+5"/>
        <source></source>
        <translation>Automatic sampling ends once the drive has stood still this long</translation>
    </message>
    <message id="采样率">
        <location line="+10"/>
        <source></source>
        <translation>Rate</translation>
    </message>
    <message id="停止后">
        <location line="+8"/>
        <source></source>
        <translation>Stop after</translation>
    </message>
    <message id="时间窗">
        <location line="+5"/>
        <source></source>
        <translation>Window</translation>
    </message>
    <message id="继续">
        <location line="+63"/>
        <source></source>
        <translation>Resume</translation>
    </message>
    <message id="CSV文件(*.csv)">
        <location filename="../ui/monitor_view.cpp" line="+13"/>
        <location filename="../ui/motion_view.cpp" line="+15"/>
        <source></source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message id="PNG图片(*.png)">
        <location filename="../ui/motion_view.cpp" line="+4"/>
        <source></source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message id="采样地址">
        <location line="+12"/>
        <source></source>
        <translation>Sample addresses</translation>
    </message>
    <message id="等待串口…">
        <location line="+29"/>
        <source></source>
        <translation>Waiting for the port…</translation>
    </message>
    <message id="串口已关闭，采样已停止">
        <location line="+2"/>
        <source></source>
        <translation>The port is closed; sampling stopped</translation>
    </message>
    <message id="停止采样">
        <location line="+37"/>
        <source></source>
        <translation>Stop sampling</translation>
    </message>
    <message id="没有规划曲线：%1">
        <location line="+126"/>
        <source></source>
        <translation>No planned curve: %1</translation>
    </message>
    <message id="规划（%1）：初速 %2，最大 %3，末速 %4 步/s；加速 %5，减速 %6 步/s²">
        <source></source>
        <translation type="vanished">Plan (%1): start %2, max %3, end %4 steps/s; acceleration %5, deceleration %6 steps/s²</translation>
    </message>
    <message id="驱动器已停止 %1 s，自动采样结束">
        <location line="+55"/>
        <source></source>
        <translation>The drive has stood still for %1 s; automatic sampling ended</translation>
    </message>
    <message id="跟随误差">
        <location line="+52"/>
        <source></source>
        <translation>Following error</translation>
    </message>
    <message id="规划位置">
        <location line="+40"/>
        <source></source>
        <translation>Planned position</translation>
    </message>
    <message id="规划速度">
        <location line="+1"/>
        <source></source>
        <translation>Planned speed</translation>
    </message>
    <message id="规划时长(s)">
        <location line="-320"/>
        <source></source>
        <translation>Planned duration (s)</translation>
    </message>
    <message id="开始(s)">
        <location line="+0"/>
        <source></source>
        <translation>Start (s)</translation>
    </message>
    <message id="到达用时(s)">
        <location line="+1"/>
        <source></source>
        <translation>Arrival time (s)</translation>
    </message>
    <message id="最大位置偏差(步)">
        <location line="+0"/>
        <source></source>
        <translation>Max position deviation (steps)</translation>
    </message>
    <message id="最大速度偏差(步/s)">
        <location line="+1"/>
        <source></source>
        <translation>Max speed deviation (steps/s)</translation>
    </message>
    <message id="样本数">
        <location line="+0"/>
        <source></source>
        <translation>Samples</translation>
    </message>
    <message id="没有规划曲线：驱动器 %1 的%2未读取（正在读取）">
        <location line="+154"/>
        <source></source>
        <translation>No plan: drive %1 has not said its %2 (asking it now)</translation>
    </message>
    <message id="、">
        <location line="+1"/>
        <source></source>
        <translation>, </translation>
    </message>
    <message id="没有规划曲线：不知道驱动器 %1 开始运动时在哪里">
        <location line="+8"/>
        <source></source>
        <translation>No plan: where drive %1 was when the move began is not known</translation>
    </message>
    <message id="规划（驱动器 %1 确认的值）：初速 %2，最大 %3，末速 %4 步/s；加速 %5，减速 %6 步/s²">
        <location line="+16"/>
        <source></source>
        <translation>Plan (values drive %1 confirmed): start %2, maximum %3, end %4 steps/s; acceleration %5, deceleration %6 steps/s²</translation>
    </message>
    <message id="位置">
        <location line="+92"/>
        <source></source>
        <translation>Position</translation>
    </message>
    <message id="开关">
        <location line="+15"/>
        <source></source>
        <translation>Switches</translation>
    </message>
    <message id="t = %1 s   位置 %2   速度 %3">
        <location line="+144"/>
        <source></source>
        <translation>t = %1 s   position %2   speed %3</translation>
    </message>
    <message id="B−A：Δt %1 s  Δ位置 %2  Δ速度 %3">
        <location line="+6"/>
        <source></source>
        <translation>B−A: Δt %1 s  Δposition %2  Δspeed %3</translation>
    </message>
    <message id="已导出：%1">
        <location line="+71"/>
        <source></source>
        <translation>Exported: %1</translation>
    </message>
    <message id="驱动器配置(*.json);;所有文件(*.*)">
        <location filename="../ui/profile_view.cpp" line="-230"/>
        <source></source>
        <translation>Drive profiles (*.json);;All files (*.*)</translation>
    </message>
    <message id="设置">
        <location line="+13"/>
        <source></source>
        <translation>Set</translation>
    </message>
    <message id="(无)">
        <location line="-7"/>
        <location line="+193"/>
        <location filename="../ui/record_writer.cpp" line="+38"/>
        <source></source>
        <translation>(none)</translation>
    </message>
    <message id="全部写入（包括相同的）">
        <location line="-175"/>
        <source></source>
        <translation>Write all (including equal)</translation>
    </message>
    <message id="只看不同">
        <location line="+1"/>
        <source></source>
        <translation>Differences only</translation>
    </message>
    <message id="没有打开配置文件">
        <location line="+1"/>
        <source></source>
        <translation>No profile file open</translation>
    </message>
    <message id="取消">
        <location line="+1"/>
        <location filename="../ui/scan_dialog.cpp" line="-67"/>
        <source></source>
        <translation>Cancel</translation>
    </message>
    <message id="出错后继续">
        <location line="+1"/>
        <source></source>
        <translation>Continue after a failure</translation>
    </message>
    <message id="要写入的驱动器地址(Hex)，如 1-10 或 1,3,5">
        <location line="+15"/>
        <source></source>
        <translation>Addresses (hex) of the drives to write, such as 1-10 or 1,3,5</translation>
    </message>
    <message id="读取全部">
        <location line="+29"/>
        <source></source>
        <translation>Read all</translation>
    </message>
    <message id="保存配置…">
        <location line="+1"/>
        <source></source>
        <translation>Save profile…</translation>
    </message>
    <message id="打开配置…">
        <location line="+1"/>
        <source></source>
        <translation>Open profile…</translation>
    </message>
    <message id="比较">
        <location line="+1"/>
        <source></source>
        <translation>Compare</translation>
    </message>
    <message id="写入全部">
        <location line="+1"/>
        <source></source>
        <translation>Write all</translation>
    </message>
    <message id="多台地址(Hex)">
        <location line="+8"/>
        <source></source>
        <translation>Drive addresses (hex)</translation>
    </message>
    <message id="写入到多台…">
        <location line="+3"/>
        <source></source>
        <translation>Write to several drives…</translation>
    </message>
    <message id="地址 %1  %p%">
        <location line="+23"/>
        <source></source>
        <translation>Address %1  %p%</translation>
    </message>
    <message id="未写入">
        <location line="+7"/>
        <source></source>
        <translation>not written</translation>
    </message>
    <message id="写入到多台：%n 台没有完成" numerus="yes">
        <location line="+8"/>
        <source></source>
        <translation>
            <numerusform>Write to several drives: %n drive not completed</numerusform>
            <numerusform>Write to several drives: %n drives not completed</numerusform>
        </translation>
    </message>
    <message id="写入到多台：%n 台全部写入并读回" numerus="yes">
        <location line="+1"/>
        <source></source>
        <translation>
            <numerusform>Write to several drives: %n drive fully written and read back</numerusform>
            <numerusform>Write to several drives: all %n drives fully written and read back</numerusform>
        </translation>
    </message>
    <message id="多台地址">
        <location line="+9"/>
        <source></source>
        <translation>Drive addresses</translation>
    </message>
    <message id="将向 %n 台驱动器（地址 %1）写入配置文件的 %2 项设置并逐项读回，是否继续？" numerus="yes">
        <location line="+6"/>
        <source></source>
        <translation>
            <numerusform>Write the profile&apos;s %2 settings to %n drive (address %1) and read each one back. Continue?</numerusform>
            <numerusform>Write the profile&apos;s %2 settings to %n drives (addresses %1) and read each one back. Continue?</numerusform>
        </translation>
    </message>
    <message id="已写入">
        <location line="+89"/>
        <source></source>
        <translation>Written</translation>
    </message>
    <message id="读回不符">
        <location line="-65"/>
        <location line="+65"/>
        <source></source>
        <translation>Read-back differs</translation>
    </message>
    <message id="停在">
        <location line="+0"/>
        <source></source>
        <translation>Stopped at</translation>
    </message>
    <message id="失败">
        <location line="-66"/>
        <location filename="../ui/record_writer.cpp" line="-36"/>
        <source></source>
        <translation>Failed</translation>
    </message>
    <message id="“%1”不是数">
        <location line="+32"/>
        <source></source>
        <translation>&quot;%1&quot; is not a number</translation>
    </message>
    <message id="设置“%1”的值“%2”不对：%3，未改。">
        <location line="+7"/>
        <source></source>
        <translation>The value &quot;%2&quot; of setting &quot;%1&quot; is not valid: %3. Not changed.</translation>
    </message>
    <message id="已改设置“%1”为 %2（尚未写入驱动器）">
        <location line="+4"/>
        <source></source>
        <translation>Changed setting &quot;%1&quot; to %2 (not yet written to the drive)</translation>
    </message>
    <message id="驱动器上">
        <location line="+8"/>
        <location filename="../ui/record_writer.cpp" line="+53"/>
        <location line="+3"/>
        <source></source>
        <translation>On the drive</translation>
    </message>
    <message id="文件中">
        <location line="+0"/>
        <location filename="../ui/record_writer.cpp" line="+1"/>
        <source></source>
        <translation>In the file</translation>
    </message>
    <message id="不同">
        <location line="+0"/>
        <location filename="../ui/record_writer.cpp" line="-10"/>
        <source></source>
        <translation>Differs</translation>
    </message>
    <message id="配置项">
        <location line="+0"/>
        <location filename="../ui/record_writer.cpp" line="+6"/>
        <location line="+2"/>
        <source></source>
        <translation>Setting</translation>
    </message>
    <message id="请先打开一个配置文件，再与驱动器比较。">
        <location line="+27"/>
        <source></source>
        <translation>Open a profile file first, then compare it with the drive.</translation>
    </message>
    <message id="未读取">
        <location line="+162"/>
        <location filename="../ui/record_writer.cpp" line="-12"/>
        <source></source>
        <translation>not read</translation>
    </message>
    <message id="双击可改这个值，写入前会检查范围">
        <location line="+9"/>
        <source></source>
        <translation>Double-click to change this value; its range is checked before writing</translation>
    </message>
    <message id="请先打开要写入的配置文件。">
        <location line="-281"/>
        <location line="+122"/>
        <source></source>
        <translation>Open the profile file to write first.</translation>
    </message>
    <message id="驱动器上的设置与配置文件相同，没有要写入的。">
        <location line="+10"/>
        <source></source>
        <translation>The drive already has the profile&apos;s settings; nothing to write.</translation>
    </message>
    <message id="将向地址 %1 的驱动器写入 %n 项设置，是否继续？" numerus="yes">
        <location line="+3"/>
        <source></source>
        <translation>
            <numerusform>Write %n setting to the drive at address %1?</numerusform>
            <numerusform>Write %n settings to the drive at address %1?</numerusform>
        </translation>
    </message>
    <message id="已写入 %n 项设置" numerus="yes">
        <location line="+47"/>
        <location filename="../app/cli_output.cpp" line="-4"/>
        <source></source>
        <translation>
            <numerusform>Wrote %n setting</numerusform>
            <numerusform>Wrote %n settings</numerusform>
        </translation>
    </message>
    <message id="驱动器与配置文件有 %n 项不同" numerus="yes">
        <location line="+22"/>
        <location filename="../app/cli_output.cpp" line="+5"/>
        <source></source>
        <translation>
            <numerusform>The drive differs from the profile in %n setting</numerusform>
            <numerusform>The drive differs from the profile in %n settings</numerusform>
        </translation>
    </message>
    <message id="已读取 %n 项设置" numerus="yes">
        <location line="+3"/>
        <location filename="../app/cli_output.cpp" line="-8"/>
        <location line="+12"/>
        <source></source>
        <translation>
            <numerusform>Read %n setting</numerusform>
            <numerusform>Read %n settings</numerusform>
        </translation>
    </message>
    <message id="将向地址 %1 的驱动器写入 %2 项设置，是否继续？">
        <source></source>
        <translation type="vanished">Write %2 settings to the drive at address %1?</translation>
    </message>
    <message id="未完成">
        <location line="+46"/>
        <source></source>
        <translation>Not finished</translation>
    </message>
    <message id="完成">
        <location line="+0"/>
        <source></source>
        <translation>Done</translation>
    </message>
    <message id="已取消">
        <location filename="../link/transaction.cpp" line="-21"/>
        <location filename="../ui/profile_view.cpp" line="-222"/>
        <location line="+142"/>
        <location filename="../app/cli_output.cpp" line="-16"/>
        <source></source>
        <translation>Cancelled</translation>
    </message>
    <message id="在设置“%1”处停止：%2。之后的设置没有%3。">
        <location filename="../ui/profile_view.cpp" line="+5"/>
        <source></source>
        <translation>Stopped at setting &quot;%1&quot;: %2. The settings after it were not %3.</translation>
    </message>
    <message id="写入">
        <location line="+1"/>
        <source></source>
        <translation>written</translation>
    </message>
    <message id="读取">
        <location line="+0"/>
        <source></source>
        <translation>read</translation>
    </message>
    <message id="已写入 %1 项设置">
        <source></source>
        <translation type="vanished">Wrote %1 settings</translation>
    </message>
    <message id="；读回后未生效：%1">
        <location line="+8"/>
        <location filename="../app/cli_output.cpp" line="+9"/>
        <source></source>
        <translation>; read back different: %1</translation>
    </message>
    <message id="驱动器与配置文件有 %1 项不同">
        <source></source>
        <translation type="vanished">%1 settings differ between the drive and the profile</translation>
    </message>
    <message id="驱动器与配置文件相同">
        <location line="+18"/>
        <location filename="../app/cli_output.cpp" line="+5"/>
        <source></source>
        <translation>The drive matches the profile</translation>
    </message>
    <message id="已读取 %1 项设置">
        <source></source>
        <translation type="vanished">Read %1 settings</translation>
    </message>
    <message id="请先读取全部设置，再保存。">
        <location line="+7"/>
        <source></source>
        <translation>Read all settings first, then save.</translation>
    </message>
    <message id="读取不完整：还有 %n 项设置没有读到（如“%1”），没有保存。请重新“读取全部”。" numerus="yes">
        <location line="+5"/>
        <location filename="../app/cli_main.cpp" line="+230"/>
        <source></source>
        <translation>
            <numerusform>The read is incomplete: %n setting was not read (“%1”), so nothing was saved. Read all again.</numerusform>
            <numerusform>The read is incomplete: %n settings were not read (such as “%1”), so nothing was saved. Read all again.</numerusform>
        </translation>
    </message>
    <message id="保存配置">
        <location line="+3"/>
        <location line="+2"/>
        <source></source>
        <translation>Save profile</translation>
    </message>
    <message id="已保存配置：%1">
        <location line="+4"/>
        <source></source>
        <translation>Profile saved: %1</translation>
    </message>
    <message id="打开配置">
        <location line="+4"/>
        <source></source>
        <translation>Open profile</translation>
    </message>
    <message id="没有打开配置文件：%1">
        <location line="+5"/>
        <source></source>
        <translation>The profile was not opened: %1</translation>
    </message>
    <message id="配置文件：%1（地址 %2，%3 读取）">
        <location line="+10"/>
        <source></source>
        <translation>Profile: %1 (address %2, read %3)</translation>
    </message>
    <message id="只能写入：所记的是本程序最后写入的值">
        <location line="+31"/>
        <source></source>
        <translation>Write-only: the value recorded is the one this tool last wrote</translation>
    </message>
    <message id="[地址] 01">
        <location filename="../ui/protocol_help.cpp" line="-33"/>
        <source></source>
        <translation>[address] 01</translation>
    </message>
    <message id="[命令] ">
        <location line="+0"/>
        <source></source>
        <translation>[command] </translation>
    </message>
    <message id="[长度] ">
        <location line="+0"/>
        <source></source>
        <translation>[length] </translation>
    </message>
    <message id="[数据] %1字节 %2">
        <location line="+4"/>
        <source></source>
        <translation>[data] %1 bytes: %2</translation>
    </message>
    <message id="[CRC校验1] ">
        <location line="+2"/>
        <source></source>
        <translation>[CRC 1] </translation>
    </message>
    <message id="[CRC校验2] ">
        <location line="+0"/>
        <source></source>
        <translation>[CRC 2] </translation>
    </message>
    <message id="通讯协议的改动">
        <location line="+21"/>
        <source></source>
        <translation>Protocol</translation>
    </message>
    <message id="通讯基本设置: 9600,8,1,n,n。地址: 1-247。命令: 1-127为发送命令。">
        <location line="+1"/>
        <source></source>
        <translation>Line settings: 9600,8,1,n. Addresses: 1-247. Commands 1-127 are requests.</translation>
    </message>
    <message id="每条命令: 地址, 命令, 数据长度, 数据(高字节在前), 校验。Modbus RTU 以CRC-16结尾(低字节在前); Modbus ASC 以':'开头, 两位16进制字符表示一个字节, LRC校验, 以0x0d 0x0a结尾。">
        <location line="+1"/>
        <source></source>
        <translation>Each command: address, command, data length, data (high byte first), checksum. Modbus RTU ends in a CRC-16 (low byte first); Modbus ASCII starts with &apos;:&apos;, writes each byte as two hex digits, ends with an LRC and 0x0d 0x0a.</translation>
    </message>
    <message id="返回">
        <location line="+4"/>
        <source></source>
        <translation>Reply</translation>
    </message>
    <message id="波特率代码:">
        <location line="+8"/>
        <source></source>
        <translation>Baud codes:</translation>
    </message>
    <message id="其他命令">
        <location line="+3"/>
        <source></source>
        <translation>Other commands</translation>
    </message>
    <message id="发送数据">
        <location line="+2"/>
        <source></source>
        <translation>Request data</translation>
    </message>
    <message id="返回数据">
        <location line="+0"/>
        <source></source>
        <translation>Reply data</translation>
    </message>
    <message id="ASC与RTU的基本区别">
        <location line="+13"/>
        <source></source>
        <translation>ASCII and RTU</translation>
    </message>
    <message id="RTU 直接发送字节, ASC 把每个字节写成两个16进制字符, 以':'开头, LRC校验, 以0x0d和0x0a结束行。例: 把地址01的设备改为地址02:">
        <location line="+1"/>
        <source></source>
        <translation>RTU sends the bytes as they are; ASCII writes each byte as two hex digits, starts with &apos;:&apos;, ends with an LRC and 0x0d 0x0a. Example: changing device 01 to address 02:</translation>
    </message>
    <message id="发送:">
        <location line="+2"/>
        <source></source>
        <translation>Request:</translation>
    </message>
    <message id="返回:">
        <location line="+1"/>
        <source></source>
        <translation>Reply:</translation>
    </message>
    <message id="所有波特率">
        <location filename="../ui/scan_dialog.cpp" line="-3"/>
        <source></source>
        <translation>All baud rates</translation>
    </message>
    <message id="开始扫描">
        <location line="+2"/>
        <source></source>
        <translation>Start scan</translation>
    </message>
    <message id="经设备服务器连接时，波特率由设备服务器设定">
        <location line="+21"/>
        <source></source>
        <translation>Over a device server, the server sets the baud rate</translation>
    </message>
    <message id="到">
        <location line="+12"/>
        <source></source>
        <translation>to</translation>
    </message>
    <message id="每个应答等待(ms)">
        <location line="+7"/>
        <source></source>
        <translation>Wait for each reply (ms)</translation>
    </message>
    <message id="应答的设备（双击取用其地址和波特率）：">
        <location line="+10"/>
        <source></source>
        <translation>Devices that answered (double-click to use their address and baud rate):</translation>
    </message>
    <message id="地址(Hex)">
        <location filename="../ui/monitor_view.cpp" line="-275"/>
        <location filename="../ui/motion_view.cpp" line="-634"/>
        <location filename="../ui/scan_dialog.cpp" line="-13"/>
        <location line="+31"/>
        <source></source>
        <translation>Address (hex)</translation>
    </message>
    <message id="从命令发完算起，等待设备应答的时间；默认为“应答超时”">
        <location filename="../ui/scan_dialog.cpp" line="-27"/>
        <source></source>
        <translation>How long to wait for each device&apos;s answer after the request has left the line; the reply timeout by default</translation>
    </message>
    <message id="第 %1 页，共 %2 页">
        <location filename="../ui/record_writer.cpp" line="-214"/>
        <source></source>
        <translation>Page %1 of %2</translation>
    </message>
    <message id="时间（s，从命令到达起）">
        <location line="+98"/>
        <source></source>
        <translation>Time (s from the command reaching the drive)</translation>
    </message>
    <message id="没有采样">
        <location line="+19"/>
        <source></source>
        <translation>No samples</translation>
    </message>
    <message id="测量">
        <location line="+3"/>
        <source></source>
        <translation>Measured</translation>
    </message>
    <message id="计划">
        <location line="+0"/>
        <source></source>
        <translation>Plan</translation>
    </message>
    <message id="由 %1 记录的测量结果">
        <location line="+23"/>
        <source></source>
        <translation>Measured and recorded by %1</translation>
    </message>
    <message id="未填写">
        <location line="+1"/>
        <source></source>
        <translation>Not given</translation>
    </message>
    <message id="机器/订单">
        <location line="+3"/>
        <source></source>
        <translation>Machine / order</translation>
    </message>
    <message id="调试人员">
        <location line="+1"/>
        <source></source>
        <translation>Engineer</translation>
    </message>
    <message id="程序">
        <location line="+2"/>
        <source></source>
        <translation>Program</translation>
    </message>
    <message id="串口">
        <location line="+1"/>
        <source></source>
        <translation>Port</translation>
    </message>
    <message id="未打开">
        <location line="+0"/>
        <source></source>
        <translation>Not open</translation>
    </message>
    <message id="波特率">
        <location line="+1"/>
        <location filename="../ui/scan_dialog.cpp" line="+27"/>
        <source></source>
        <translation>Baud rate</translation>
    </message>
    <message id="通讯模式">
        <location line="+1"/>
        <source></source>
        <translation>Framing</translation>
    </message>
    <message id="开（寄存器映射地址 %1）">
        <location line="+1"/>
        <source></source>
        <translation>On (register mapping address %1)</translation>
    </message>
    <message id="关">
        <location line="+0"/>
        <source></source>
        <translation>Off</translation>
    </message>
    <message id="项目">
        <location line="+3"/>
        <source></source>
        <translation>Item</translation>
    </message>
    <message id="内容">
        <location line="+0"/>
        <source></source>
        <translation>Value</translation>
    </message>
    <message id="通讯">
        <location line="+1"/>
        <source></source>
        <translation>Traffic</translation>
    </message>
    <message id="没有通讯记录。">
        <location line="+1"/>
        <source></source>
        <translation>No transactions recorded.</translation>
    </message>
    <message id="（广播）">
        <location line="+4"/>
        <source></source>
        <translation>(broadcast)</translation>
    </message>
    <message id="通讯次数">
        <location line="+7"/>
        <source></source>
        <translation>Transactions</translation>
    </message>
    <message id="往返中位数 (ms)">
        <location line="+2"/>
        <source></source>
        <translation>Round trip median (ms)</translation>
    </message>
    <message id="往返 99% (ms)">
        <location line="+1"/>
        <source></source>
        <translation>Round trip 99% (ms)</translation>
    </message>
    <message id="失败：无应答、校验错误、异常应答和应答不符。往返时间从命令离开线路到应答结束；“—”表示没有测到。">
        <location line="+2"/>
        <source></source>
        <translation>Failed: no reply, checksum error, exception or mismatch. A round trip runs from the request leaving the line to the end of its reply; &quot;—&quot; means not measured.</translation>
    </message>
    <message id="通讯很多的地址，百分位数按最近的 10000 次往返算。">
        <location line="+2"/>
        <source></source>
        <translation>For an address with many transactions, the percentiles are of its latest 10,000 round trips.</translation>
    </message>
    <message id="驱动器 %1">
        <location line="+6"/>
        <source></source>
        <translation>Drive %1</translation>
    </message>
    <message id="配置">
        <location line="+2"/>
        <source></source>
        <translation>Settings</translation>
    </message>
    <message id="未读取：这台驱动器没有报过它的设置。">
        <location line="+3"/>
        <source></source>
        <translation>Not read: this drive has not reported its settings.</translation>
    </message>
    <message id="驱动器报过它的全部设置。">
        <location line="+6"/>
        <source></source>
        <translation>The drive reported all its settings.</translation>
    </message>
    <message id="驱动器只报过 %n 项设置，其余未读取。" numerus="yes">
        <location line="+1"/>
        <source></source>
        <translation>
            <numerusform>The drive reported only %n setting; the others were not read.</numerusform>
            <numerusform>The drive reported only %n settings; the others were not read.</numerusform>
        </translation>
    </message>
    <message id="没有与配置文件比较过。">
        <location line="+3"/>
        <source></source>
        <translation>Not compared with a profile file.</translation>
    </message>
    <message id="与 %1 比较：%2">
        <location line="+1"/>
        <source></source>
        <translation>Compared with %1: %2</translation>
    </message>
    <message id="%n 项不同（标红）" numerus="yes">
        <location line="+1"/>
        <source></source>
        <translation>
            <numerusform>%n differs (in red)</numerusform>
            <numerusform>%n differ (in red)</numerusform>
        </translation>
    </message>
    <message id="读到的设置都相同">
        <location line="+1"/>
        <source></source>
        <translation>the settings read are all the same</translation>
    </message>
    <message id="（空）">
        <source></source>
        <translation type="vanished">(empty)</translation>
    </message>
    <message id="只能写入，读不到">
        <location line="+13"/>
        <source></source>
        <translation>write-only, cannot be read</translation>
    </message>
    <message id="设置项">
        <source></source>
        <translation type="vanished">Setting</translation>
    </message>
    <message id="运动记录">
        <location line="+21"/>
        <source></source>
        <translation>Moves</translation>
    </message>
    <message id="第 %1 次运动：命令在采样时间 %2 s 到达">
        <location line="+5"/>
        <source></source>
        <translation>Move %1: the command reached the drive at %2 s of sampling</translation>
    </message>
    <message id="位置（步）">
        <location line="+8"/>
        <source></source>
        <translation>Position (steps)</translation>
    </message>
    <message id="速度（步/s）">
        <location line="+4"/>
        <source></source>
        <translation>Speed (steps/s)</translation>
    </message>
    <message id="计划用时 (s)">
        <location line="+6"/>
        <source></source>
        <translation>Planned time (s)</translation>
    </message>
    <message id="到达用时 (s)">
        <location line="+1"/>
        <source></source>
        <translation>Time to target (s)</translation>
    </message>
    <message id="最大位置偏差 (步)">
        <location line="+1"/>
        <source></source>
        <translation>Largest position difference (steps)</translation>
    </message>
    <message id="最大速度偏差 (步/s)">
        <location line="+1"/>
        <source></source>
        <translation>Largest speed difference (steps/s)</translation>
    </message>
    <message id="采样数">
        <location line="+1"/>
        <source></source>
        <translation>Samples</translation>
    </message>
    <message id="没有记录这台驱动器的运动。">
        <location line="+5"/>
        <source></source>
        <translation>No moves of this drive were recorded.</translation>
    </message>
    <message id="脚本检查">
        <location line="+3"/>
        <source></source>
        <translation>Script checks</translation>
    </message>
    <message id="通过">
        <location line="+6"/>
        <source></source>
        <translation>passed</translation>
    </message>
    <message id="上一次脚本运行没有检查这台驱动器。">
        <location line="+4"/>
        <source></source>
        <translation>The last script run checked nothing of this drive.</translation>
    </message>
    <message id="行">
        <location line="+3"/>
        <source></source>
        <translation>Line</translation>
    </message>
    <message id="检查">
        <location line="+1"/>
        <source></source>
        <translation>Check</translation>
    </message>
    <message id="通过次数">
        <location line="+1"/>
        <source></source>
        <translation>Passed</translation>
    </message>
    <message id="未通过次数">
        <location line="+1"/>
        <source></source>
        <translation>Failed</translation>
    </message>
    <message id="未通过">
        <source></source>
        <translation type="vanished">Failed</translation>
    </message>
    <message id="结果（未通过时为最后一次的原因）">
        <location line="+1"/>
        <source></source>
        <translation>Result (when failed, the last reason)</translation>
    </message>
    <message id="没有记录的内容">
        <location line="+8"/>
        <source></source>
        <translation>Not recorded</translation>
    </message>
    <message id="驱动器 %1：没有读取配置">
        <location line="+5"/>
        <source></source>
        <translation>Drive %1: settings not read</translation>
    </message>
    <message id="驱动器 %1：没有读取全部配置（只报过 %n 项）" numerus="yes">
        <location line="+2"/>
        <source></source>
        <translation>
            <numerusform>Drive %1: not all settings read (only %n reported)</numerusform>
            <numerusform>Drive %1: not all settings read (only %n reported)</numerusform>
        </translation>
    </message>
    <message id="驱动器 %1 第 %2 次运动：没有采样">
        <location line="+5"/>
        <source></source>
        <translation>Drive %1, move %2: no samples</translation>
    </message>
    <message id="没有记录运动（运动曲线没有采样）">
        <location line="+2"/>
        <source></source>
        <translation>No moves recorded (the motion plots did not sample)</translation>
    </message>
    <message id="没有脚本检查的结果">
        <location line="+1"/>
        <source></source>
        <translation>No script check results</translation>
    </message>
    <message id="驱动器配置：没有选入这份报告">
        <location line="+1"/>
        <source></source>
        <translation>Drive settings: not chosen for this report</translation>
    </message>
    <message id="运动：没有选入这份报告">
        <location line="+1"/>
        <source></source>
        <translation>Moves: not chosen for this report</translation>
    </message>
    <message id="脚本检查：没有选入这份报告">
        <location line="+1"/>
        <source></source>
        <translation>Script checks: not chosen for this report</translation>
    </message>
    <message id="无">
        <location line="+1"/>
        <source></source>
        <translation>Nothing</translation>
    </message>
    <message id="通讯记录文件">
        <location line="+3"/>
        <source></source>
        <translation>Traffic log</translation>
    </message>
    <message id="没有保存通讯记录文件。">
        <location line="+1"/>
        <source></source>
        <translation>No traffic log was kept.</translation>
    </message>
    <message id="每条通讯都记在 %1 中。">
        <location line="+1"/>
        <source></source>
        <translation>Every transaction is in %1.</translation>
    </message>
    <message id="无法写入 %1：PDF 无法生成">
        <location line="+30"/>
        <source></source>
        <translation>Cannot write %1: the PDF could not be made</translation>
    </message>
    <message id="应答等待“%1”超出范围（允许 10 到 60000 毫秒）">
        <location filename="../ui/scan_dialog.cpp" line="+13"/>
        <source></source>
        <translation>Reply wait &quot;%1&quot; is out of range (10 to 60000 ms)</translation>
    </message>
    <message id="地址 %1 @ %2   %p%">
        <location line="+19"/>
        <source></source>
        <translation>address %1 @ %2   %p%</translation>
    </message>
    <message id="地址 %1   %p%">
        <location line="+1"/>
        <source></source>
        <translation>Address %1   %p%</translation>
    </message>
    <message id="已取消，找到 %1 个设备">
        <location line="+14"/>
        <source></source>
        <translation>Cancelled; %1 devices found</translation>
    </message>
    <message id="完成，找到 %1 个设备">
        <location line="+0"/>
        <source></source>
        <translation>Done; %1 devices found</translation>
    </message>
    <message id="虚拟设备在 %1 上运行（地址 1），点击“打开”即可连接">
        <location filename="../app/main.cpp" line="+73"/>
        <source></source>
        <translation>The virtual device runs on %1 (address 1); press &quot;Open&quot; to connect</translation>
    </message>
    <message id="无法启动虚拟设备：%1">
        <location line="+3"/>
        <source></source>
        <translation>Cannot start the virtual device: %1</translation>
    </message>
    <message id="值“%1”不对：应为 %2 到 %3 的整数">
        <location filename="../commands/values.cpp" line="+24"/>
        <source></source>
        <translation>Value “%1” is wrong: it must be a whole number from %2 to %3</translation>
    </message>
    <message id="值“%1”不对：应为五位输入组合 IN5-IN1，如 00101">
        <location line="+24"/>
        <source></source>
        <translation>Value “%1” is wrong: it must be an input pattern of five digits IN5-IN1, such as 00101</translation>
    </message>
    <message id="值“%1”不对：应为16进制字节（每字节两位），如“31 04 00 00 27 10”">
        <location line="+6"/>
        <source></source>
        <translation>Value “%1” is wrong: it must be hex bytes of two digits each, such as “31 04 00 00 27 10”</translation>
    </message>
    <message id="%1 的值：%2">
        <location line="+10"/>
        <source></source>
        <translation>Values of %1: %2</translation>
    </message>
    <message id="%1 需要 %2 个值：%3">
        <location line="+8"/>
        <source></source>
        <translation>%1 takes %2 values: %3</translation>
    </message>
    <message id="值“%1”不对：应为 1 到 F7 的16进制地址">
        <location line="+59"/>
        <source></source>
        <translation>the value &quot;%1&quot; is wrong: it should be a hex address from 1 to F7</translation>
    </message>
    <message id="%1 的数据应为 %2 到 %3 个字节">
        <location line="+13"/>
        <source></source>
        <translation>The data of %1 must be %2 to %3 bytes</translation>
    </message>
    <message id="%1 不带值">
        <location line="+10"/>
        <source></source>
        <translation>%1 takes no values</translation>
    </message>
    <message id="空行">
        <location filename="../script/step.cpp" line="+155"/>
        <source></source>
        <translation>empty line</translation>
    </message>
    <message id="不是16进制命令行，也不是 Delay:、GoIdx:、Expect: 或 # 注释行">
        <location line="+4"/>
        <source></source>
        <translation>neither a hex frame line nor a Delay:, GoIdx:, Expect: or # comment line</translation>
    </message>
    <message id="16进制命令行应为成对的16进制数字（每字节两位）">
        <location line="+6"/>
        <source></source>
        <translation>a hex frame line must be pairs of hex digits (two per byte)</translation>
    </message>
    <message id="命令行太短：至少要有地址和命令码">
        <location line="+2"/>
        <source></source>
        <translation>frame line too short: it needs at least an address and a command code</translation>
    </message>
    <message id="Expect: 应紧跟在命令行（或它的其他 Expect: 行）之后">
        <location line="+7"/>
        <source></source>
        <translation>Expect: must follow a frame line (or its other Expect: lines)</translation>
    </message>
    <message id="Expect: 后应为应答的字节（如 01 26 04 00 00 03 E8）或 value=数值">
        <location line="+3"/>
        <location filename="../app/cli_session.cpp" line="+194"/>
        <source></source>
        <translation>Expect: must be followed by the reply&apos;s bytes (such as 01 26 04 00 00 03 E8) or value=number</translation>
    </message>
    <message id="Delay: 和 GoIdx: 应跟在命令行（或它的 Expect: 行）之后">
        <location line="+11"/>
        <source></source>
        <translation>Delay: and GoIdx: must follow a frame line (or its Expect: lines)</translation>
    </message>
    <message id="延时为 0：脚本会停在这里">
        <location line="+2"/>
        <source></source>
        <translation>a delay of 0 would stop the script here</translation>
    </message>
    <message id="延时应为 1 到 65535 毫秒的整数">
        <location line="+2"/>
        <location filename="../app/cli_session.cpp" line="+9"/>
        <source></source>
        <translation>a delay must be a whole number of 1 to 65535 ms</translation>
    </message>
    <message id="GoIdx: 应指向第 0 到 %1 行（从 0 数起）">
        <location line="+2"/>
        <source></source>
        <translation>GoIdx: must point to a line from 0 to %1 (counted from 0)</translation>
    </message>
    <message id="第 %1 行的校验码不对">
        <location line="+21"/>
        <source></source>
        <translation>the checksum of line %1 is wrong</translation>
    </message>
    <message id="这个检查不会通过：第 %1 行的校验码不对，驱动器不会应答它">
        <location line="+4"/>
        <source></source>
        <translation>this check cannot pass: the checksum of line %1 is wrong, so a drive does not answer it</translation>
    </message>
    <message id="读取 %1 出错：%2">
        <location filename="../app/cli_main.cpp" line="-331"/>
        <source></source>
        <translation>Error reading %1: %2</translation>
    </message>
    <message id="标准输入">
        <location line="+1"/>
        <source></source>
        <translation>standard input</translation>
    </message>
    <message id="%1 是文件夹，不能写成文件">
        <location line="+10"/>
        <source></source>
        <translation>%1 is a folder, not a file that can be written</translation>
    </message>
    <message id="串口已断开：%1">
        <location line="+86"/>
        <source></source>
        <translation>The port went away: %1</translation>
    </message>
    <message id="已中断（信号 %1），等待线上的命令结束">
        <location line="+19"/>
        <source></source>
        <translation>Interrupted (signal %1); waiting for the request on the line to end</translation>
    </message>
    <message id="run 需要一个脚本文件，或 - 表示标准输入">
        <location line="+35"/>
        <source></source>
        <translation>run needs one script file, or - for standard input</translation>
    </message>
    <message id="profile read 读一台驱动器：--address 应为一个地址">
        <location line="+7"/>
        <source></source>
        <translation>profile read reads one drive: --address must be a single address</translation>
    </message>
    <message id="%1 不带其他参数：%2">
        <location line="+10"/>
        <source></source>
        <translation>%1 takes no further arguments: %2</translation>
    </message>
    <message id="请看 stepbench-cli --help">
        <location line="+34"/>
        <location line="+253"/>
        <source></source>
        <translation>See stepbench-cli --help</translation>
    </message>
    <message id="这条命令有了应答之后又收到 %n 条应答：总线上不止一台驱动器回答了它（用 -a 指定一台）" numerus="yes">
        <location line="-71"/>
        <source></source>
        <translation>
            <numerusform>after its reply, %n more reply came: more than one drive on the bus answered it (name one with -a)</numerusform>
            <numerusform>after its reply, %n more replies came: more than one drive on the bus answered it (name one with -a)</numerusform>
        </translation>
    </message>
    <message id="send --hex 不带命令键">
        <location filename="../app/cli_session.cpp" line="-174"/>
        <source></source>
        <translation>send --hex takes no command key</translation>
    </message>
    <message id="--hex 的值“%1”不对：应为成对的16进制数字，可用空格隔开，如“01 26 00”">
        <location line="+3"/>
        <source></source>
        <translation>--hex “%1” is wrong: it must be pairs of hex digits, blanks optional, such as “01 26 00”</translation>
    </message>
    <message id="--hex 至少要有地址和命令码两个字节">
        <location line="+2"/>
        <source></source>
        <translation>--hex needs at least two bytes: an address and a command code</translation>
    </message>
    <message id="send 需要命令键（见 stepbench-cli commands）">
        <location line="+4"/>
        <source></source>
        <translation>send needs a command key (see stepbench-cli commands)</translation>
    </message>
    <message id="未知的命令键 %1（见 stepbench-cli commands）">
        <location line="+3"/>
        <source></source>
        <translation>Unknown command key %1 (see stepbench-cli commands)</translation>
    </message>
    <message id="已等待 %1 ms">
        <location line="+29"/>
        <source></source>
        <translation>waited %1 ms</translation>
    </message>
    <message id="无法读取标准输入：%1">
        <location line="+39"/>
        <source></source>
        <translation>Cannot read standard input: %1</translation>
    </message>
    <message id="send 在会话中只带 -a 和 --hex：%1">
        <location line="+52"/>
        <source></source>
        <translation>in a session, send takes only -a and --hex: %1</translation>
    </message>
    <message id="16进制命令行应为成对的16进制数字（每字节两位），至少有地址和命令码">
        <location line="+21"/>
        <source></source>
        <translation>a hex command line is pairs of hex digits (two per byte), at least an address and a command code</translation>
    </message>
    <message id="会话中没有跳转：GoIdx: 只用于脚本文件">
        <location line="+26"/>
        <source></source>
        <translation>a session has no jumps: GoIdx: is for script files only</translation>
    </message>
    <message id="不是 send 命令，也不是16进制命令行、Expect: 或 Delay: 行">
        <location line="+2"/>
        <source></source>
        <translation>neither a send command nor a hex command line, Expect: or Delay: line</translation>
    </message>
    <message id="第 %1 行：%2">
        <location line="+7"/>
        <source></source>
        <translation>line %1: %2</translation>
    </message>
    <message id="无法读取标准输入">
        <source></source>
        <translation type="vanished">Cannot read standard input</translation>
    </message>
    <message id="%1 第 %2 行“%3”：%4">
        <location filename="../app/cli_main.cpp" line="-154"/>
        <source></source>
        <translation>%1 line %2 “%3”: %4</translation>
    </message>
    <message id="脚本有 %n 行不能运行，没有发送" numerus="yes">
        <location line="+11"/>
        <source></source>
        <translation>
            <numerusform>the script has %n line that cannot run; nothing was sent</numerusform>
            <numerusform>the script has %n lines that cannot run; nothing was sent</numerusform>
        </translation>
    </message>
    <message id="%1 中没有命令行">
        <location line="+4"/>
        <source></source>
        <translation>%1 has no frame line</translation>
    </message>
    <message id="地址 %1：">
        <location filename="../app/cli_output.cpp" line="-16"/>
        <source></source>
        <translation>Address %1: </translation>
    </message>
    <message id="在设置“%1”处停止：%2">
        <location line="+4"/>
        <source></source>
        <translation>Stopped at setting &quot;%1&quot;: %2</translation>
    </message>
    <message id="找到设备：地址 %1，波特率 %2，往返 %3 ms">
        <location line="-40"/>
        <source></source>
        <translation>Found a device: address %1, baud rate %2, round trip %3 ms</translation>
    </message>
    <message id="由设备服务器设定">
        <location filename="../ui/record_writer.cpp" line="-197"/>
        <location filename="../app/cli_output.cpp" line="+2"/>
        <source></source>
        <translation>set by the device server</translation>
    </message>
    <message id="%1  迟到应答  %2%3">
        <location filename="../app/cli_output.cpp" line="-43"/>
        <source></source>
        <translation>%1  late reply  %2%3</translation>
    </message>
    <message id=" (答第 %1 条)">
        <location line="+2"/>
        <source></source>
        <translation> (answers #%1)</translation>
    </message>
    <message id="第 %1 行检查通过">
        <location line="+25"/>
        <source></source>
        <translation>Line %1: check passed</translation>
    </message>
    <message id="第 %1 行检查未通过：%2">
        <location line="+1"/>
        <source></source>
        <translation>Line %1: check failed: %2</translation>
    </message>
    <message id="%1 次通讯：正常 %2，无应答 %3，校验错误 %4，异常应答 %5，应答不符 %6">
        <source></source>
        <translation type="vanished">%1 transactions: OK %2, no reply %3, bad checksum %4, exception %5, mismatch %6</translation>
    </message>
    <message id="，但没有保存：%1">
        <location line="+56"/>
        <source></source>
        <translation>, but not saved: %1</translation>
    </message>
    <message id="%n 次通讯：正常 %1，无应答 %2，校验错误 %3，异常应答 %4，应答不符 %5" numerus="yes">
        <location line="+43"/>
        <source></source>
        <translation>
            <numerusform>%n transaction: OK %1, no reply %2, checksum error %3, exception %4, mismatch %5</numerusform>
            <numerusform>%n transactions: OK %1, no reply %2, checksum error %3, exception %4, mismatch %5</numerusform>
        </translation>
    </message>
    <message id="，广播 %1">
        <location line="+7"/>
        <source></source>
        <translation>, broadcast %1</translation>
    </message>
    <message id="，未检查 %1">
        <location line="+1"/>
        <source></source>
        <translation>, unchecked %1</translation>
    </message>
    <message id="，已取消 %1">
        <location line="+1"/>
        <source></source>
        <translation>, cancelled %1</translation>
    </message>
    <message id="，迟到应答 %1">
        <location line="+1"/>
        <source></source>
        <translation>, late replies %1</translation>
    </message>
    <message id="；往返 最小 %1 / 平均 %2 / 最大 %3 ms">
        <location line="+2"/>
        <source></source>
        <translation>; round trip min %1 / mean %2 / max %3 ms</translation>
    </message>
    <message id="；%1 项检查未通过">
        <location line="+4"/>
        <source></source>
        <translation>; %1 checks failed</translation>
    </message>
    <message id="；找到 %1 个设备">
        <location line="+1"/>
        <source></source>
        <translation>; %1 devices found</translation>
    </message>
    <message id="；没有完成">
        <location line="+1"/>
        <source></source>
        <translation>; not completed</translation>
    </message>
    <message id="没有完成">
        <location line="+52"/>
        <source></source>
        <translation>not completed</translation>
    </message>
    <message id="无法写入 %1：%2">
        <location filename="../ui/record_writer.cpp" line="+176"/>
        <location line="+26"/>
        <location filename="../app/cli_main.cpp" line="-231"/>
        <location filename="../app/cli_output.cpp" line="+18"/>
        <source></source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message id="未知的选项 %1">
        <location filename="../app/cli_options.cpp" line="+176"/>
        <source></source>
        <translation>Unknown option %1</translation>
    </message>
    <message id="选项 --%1 不带值">
        <location line="-4"/>
        <source></source>
        <translation>Option --%1 takes no value</translation>
    </message>
    <message id="未知的选项 --%1">
        <location line="-45"/>
        <source></source>
        <translation>unknown option --%1</translation>
    </message>
    <message id="未知的选项 -%1（在 %2 中）">
        <location line="+25"/>
        <source></source>
        <translation>unknown option -%1 (in %2)</translation>
    </message>
    <message id="选项 --%1 需要一个值">
        <location line="+8"/>
        <location line="+18"/>
        <source></source>
        <translation>Option --%1 needs a value</translation>
    </message>
    <message id="没有给出命令（commands、send、run、scan、profile 或 session）">
        <location line="+7"/>
        <source></source>
        <translation>no command given (commands, send, run, scan, profile or session)</translation>
    </message>
    <message id="未知的命令 %1（可用：commands、send、run、scan、profile、session）">
        <location line="+2"/>
        <source></source>
        <translation>unknown command %1 (available: commands, send, run, scan, profile, session)</translation>
    </message>
    <message id="--value 只用于 send 和 session">
        <location line="+11"/>
        <source></source>
        <translation>--value is only for send and session</translation>
    </message>
    <message id="--value 和 --json 不能同时用：JSON 的每一行已带着值">
        <location line="+2"/>
        <source></source>
        <translation>--value and --json cannot go together: each JSON line carries the values already</translation>
    </message>
    <message id="选项 --%1 的值“%2”不对">
        <location line="-72"/>
        <source></source>
        <translation>Option --%1: value “%2” is wrong</translation>
    </message>
    <message id="没有给出命令（commands、send、run 或 scan）">
        <source></source>
        <translation type="vanished">No command given (commands, send, run or scan)</translation>
    </message>
    <message id="未知的命令 %1（可用：commands、send、run、scan、profile）">
        <source></source>
        <translation type="vanished">Unknown command %1 (available: commands, send, run, scan, profile)</translation>
    </message>
    <message id="profile 的用法：profile read|compare|write FILE">
        <location line="+63"/>
        <source></source>
        <translation>Usage of profile: profile read|compare|write FILE</translation>
    </message>
    <message id="未知的命令 %1（可用：commands、send、run、scan）">
        <source></source>
        <translation type="vanished">Unknown command %1 (there are: commands, send, run, scan)</translation>
    </message>
    <message id="--from %1 大于 --to %2">
        <location line="+2"/>
        <source></source>
        <translation>--from %1 is above --to %2</translation>
    </message>
    <message id="--hex 只用于 send">
        <location line="+3"/>
        <source></source>
        <translation>--hex is for send only</translation>
    </message>
    <message id="--value 只用于 send">
        <source></source>
        <translation type="vanished">--value is for send only</translation>
    </message>
    <message id="--junit 只用于 run">
        <location line="+5"/>
        <source></source>
        <translation>--junit is for run only</translation>
    </message>
    <message id="run 不用 -a：脚本每一行的地址写在那一行里">
        <location line="+3"/>
        <source></source>
        <translation>run takes no -a: each script line carries its own address</translation>
    </message>
    <message id="run 不用 --ascii：脚本每一行的帧写的是什么就发什么">
        <location line="+2"/>
        <source></source>
        <translation>run takes no --ascii: each script line&apos;s frame is sent as written</translation>
    </message>
    <message id="需要 --port">
        <location line="+1"/>
        <source></source>
        <translation>--port is needed</translation>
    </message>
    <message id="加速度或减速度为 0，无法规划运动">
        <location filename="../commands/motion_plan.cpp" line="+24"/>
        <location line="+40"/>
        <source></source>
        <translation>Acceleration or deceleration is 0; the motion cannot be planned</translation>
    </message>
    <message id="磁盘已满">
        <location filename="../link/traffic_log.cpp" line="+15"/>
        <source></source>
        <translation>the disk is full</translation>
    </message>
    <message id="无法写入记录文件 %1：%2">
        <location line="+23"/>
        <location line="+6"/>
        <source></source>
        <translation>Cannot write the log file %1: %2</translation>
    </message>
    <message id="写记录文件 %1 失败：%2，已停止记录">
        <location line="+46"/>
        <source></source>
        <translation>Writing the log file %1 failed: %2; logging stopped</translation>
    </message>
    <message id="无法轮换记录文件 %1，已停止记录">
        <location line="+17"/>
        <source></source>
        <translation>Cannot set aside the log file %1; logging stopped</translation>
    </message>
    <message id="已完成">
        <location filename="../core/job.cpp" line="-47"/>
        <source></source>
        <translation>finished</translation>
    </message>
    <message id="出错后停止">
        <location line="+3"/>
        <source></source>
        <translation>stopped at a failure</translation>
    </message>
    <message id="已停止">
        <location line="+3"/>
        <source></source>
        <translation>stopped</translation>
    </message>
    <message id="已中断（信号 %1）">
        <location line="+3"/>
        <location filename="../app/cli_main.cpp" line="+202"/>
        <source></source>
        <translation>interrupted (signal %1)</translation>
    </message>
    <message id="串口断开（%1）">
        <location line="+3"/>
        <source></source>
        <translation>port lost (%1)</translation>
    </message>
    <message id="串口打不开（%1）">
        <location line="+3"/>
        <source></source>
        <translation>port could not be opened (%1)</translation>
    </message>
    <message id="记录文件写不进去">
        <location line="+3"/>
        <source></source>
        <translation>the traffic log could not be written</translation>
    </message>
    <message id="没有发送（%1）">
        <location line="+3"/>
        <source></source>
        <translation>nothing sent (%1)</translation>
    </message>
    <message id="：%1 条通讯，%2 条失败">
        <location line="+3"/>
        <source></source>
        <translation>: %1 transactions, %2 failed</translation>
    </message>
    <message id="；检查通过 %1，未通过 %2">
        <location line="+2"/>
        <source></source>
        <translation>; checks passed %1, failed %2</translation>
    </message>
    <message id="值超出范围（允许 %1 到 %2 的整数）">
        <location filename="../commands/profile.cpp" line="+123"/>
        <source></source>
        <translation>value out of range (whole numbers %1 to %2 allowed)</translation>
    </message>
    <message id="前面还没有发过命令">
        <location filename="../core/jobs.cpp" line="+26"/>
        <source></source>
        <translation>no command has been sent yet</translation>
    </message>
    <message id="每台驱动器的配置">
        <location filename="../ui/record_dialog.cpp" line="-20"/>
        <source></source>
        <translation>Each drive&apos;s settings</translation>
    </message>
    <message id="运动曲线与偏差">
        <location line="+1"/>
        <source></source>
        <translation>Motion plots and deviations</translation>
    </message>
    <message id="上一次脚本运行的检查">
        <location line="+1"/>
        <source></source>
        <translation>The checks of the last script run</translation>
    </message>
    <message id="生成调试报告">
        <location line="+2"/>
        <location line="+55"/>
        <source></source>
        <translation>Commissioning report</translation>
    </message>
    <message id="调试报告">
        <location line="-53"/>
        <location filename="../ui/record_writer.cpp" line="-212"/>
        <location line="+187"/>
        <source></source>
        <translation>Commissioning report</translation>
    </message>
    <message id="保存为 PDF…">
        <location line="+11"/>
        <source></source>
        <translation>Save as PDF…</translation>
    </message>
    <message id="标题：">
        <location line="+6"/>
        <source></source>
        <translation>Title:</translation>
    </message>
    <message id="机器/订单：">
        <location line="+1"/>
        <source></source>
        <translation>Machine / order:</translation>
    </message>
    <message id="调试人员：">
        <location line="+1"/>
        <source></source>
        <translation>Engineer:</translation>
    </message>
    <message id="报告中包括通讯概况，以及：">
        <location line="+7"/>
        <source></source>
        <translation>The report has the traffic overview, and:</translation>
    </message>
    <message id="保存调试报告">
        <location line="+14"/>
        <source></source>
        <translation>Save commissioning report</translation>
    </message>
    <message id="PDF文件(*.pdf)">
        <location line="+0"/>
        <source></source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message id="调试报告已保存（%n 页）：%1" numerus="yes">
        <location line="+16"/>
        <source></source>
        <translation>
            <numerusform>Commissioning report saved (%n page): %1</numerusform>
            <numerusform>Commissioning report saved (%n pages): %1</numerusform>
        </translation>
    </message>
</context>
</TS>
