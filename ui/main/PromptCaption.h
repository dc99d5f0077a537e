#pragma once
// The caption of every message box that reports an outcome to the user.

constexpr char kPromptCaption[] = "提示";
