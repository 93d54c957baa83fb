// The reason texts: the system's words for its error numbers (files/linux/ and files/win32/ give
// them), and the program's own words in Chinese, its language.
#include "base/error.h"

namespace crawlmeter {
namespace {

const char* ownWords(Error::What what) {
  switch (what) {
    case Error::What::kNotRegular:
      return "这不是普通文件（是设备、管道或套接字）";
    case Error::What::kReadOnly:
      return "文件是只读的";
    case Error::What::kNoReader:
      return "没有程序在读取这个管道";
    case Error::What::kNotWritable:
      return "这是套接字或块设备，不能写入";
    case Error::What::kConvert:
      return "系统缺少代码页936（GBK）的转换表";
    case Error::What::kCancelled:
      return "已取消";
    case Error::What::kChanged:
      return "文件在查看之后被改动了";
    case Error::What::kResources:
      return "内存不足";
    default:
      return nullptr;
  }
}

}  // namespace

std::string withReason(std::string text, const Error& error) {
  const std::string reason = reasonText(error);
  return reason.empty() ? text : text + "\n" + reason;
}

std::string reasonText(const Error& error) {
  if (!error.detail.empty()) return error.detail;
  if (const char* words = ownWords(error.what)) return words;
  if (error.code == 0) return std::string();
  return systemErrorText(error.code);
}

}  // namespace crawlmeter
