// Reporting of the library's failures to the verification cloud's log service.
// Reporting is off until the host calls startUpLog and names the verification case with
// setCertifyId; each report is one enciphered record posted without waiting.
#pragma once

#include <string>

class LogManager {
 public:
  // Switches reporting on for the rest of the process.
  static void startUpLog();
  // The identifier of the verification case; replaces any earlier one.
  static void setCertifyId(const std::string& certifyId);
  // Sends one record carrying `text` when reporting is on and a certify id is set.
  // Failures to encipher or post are dropped silently.
  static void upLog(const std::string& text);

  // The clear JSON record that upLog enciphers, for the given certify id and text.
  static std::string buildLogRecord(const std::string& certifyId, const std::string& text);
};
