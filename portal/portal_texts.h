// Chinese texts the portal puts into its answers, as escaped UTF-8 bytes (the
// servers answer in UTF-8). The text itself is in the comment beside each.
#pragma once

namespace portal::texts {

// 登录成功
inline constexpr char kLoginSucceeded[] = "\xe7\x99\xbb\xe5\xbd\x95\xe6\x88\x90\xe5\x8a\x9f";
// 用户名或密码错误
inline constexpr char kWrongAccountOrPassword[] =
    "\xe7\x94\xa8\xe6\x88\xb7\xe5\x90\x8d\xe6\x88\x96\xe5\xaf\x86\xe7\xa0\x81\xe9\x94\x99\xe8\xaf"
    "\xaf";
// 签名校验失败
inline constexpr char kBadSign[] =
    "\xe7\xad\xbe\xe5\x90\x8d\xe6\xa0\xa1\xe9\xaa\x8c\xe5\xa4\xb1\xe8\xb4\xa5";
// 缺少登录参数
inline constexpr char kMissingLoginValues[] =
    "\xe7\xbc\xba\xe5\xb0\x91\xe7\x99\xbb\xe5\xbd\x95\xe5\x8f\x82\xe6\x95\xb0";
// 未登录
inline constexpr char kNotSignedIn[] = "\xe6\x9c\xaa\xe7\x99\xbb\xe5\xbd\x95";
// 注册成功
inline constexpr char kRegistered[] = "\xe6\xb3\xa8\xe5\x86\x8c\xe6\x88\x90\xe5\x8a\x9f";

}  // namespace portal::texts
