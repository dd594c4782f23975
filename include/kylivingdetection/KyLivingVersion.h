#pragma once

// The library's version, as the initialisation message and getSdkVersion report it.
#define KY_LIVING_SDK_VERSION "1.8.1"
