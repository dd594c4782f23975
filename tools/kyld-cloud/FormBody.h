// Reads a form body ("name=value&name=value") as devices send it: Base64 values go out with
// their "=", "/" and "@" unescaped and only "+" written as "%2B". Pairs are split at "&" and
// each at its first "=", so a value keeps every "=" it carries; "%XX" is decoded and a bare
// "+" is kept as "+" (no field of the protocol holds a blank). The first of repeated names wins.
#pragma once

#include <map>
#include <string>
#include <string_view>

std::map<std::string, std::string> parseFormBody(std::string_view body);
