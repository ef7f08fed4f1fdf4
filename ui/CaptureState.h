// The start/stop button's texts: the single record of whether capture is on.
#pragma once

constexpr char kCaptureOffText[] = "開始";
constexpr char kCaptureOnText[] = "停止";
