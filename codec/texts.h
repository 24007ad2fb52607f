#pragma once

// The program's texts are written in Chinese and the Chinese text is each one's translation id:
// ZH("打开") marks a text for Qt's lupdate (as QT_TRID_NOOP does) and leaves it as it is; the
// window shows it in the chosen language. The core has no Qt, so it only marks.
#define ZH(text) text
