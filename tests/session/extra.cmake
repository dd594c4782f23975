# The upload tests answer from the same loopback HTTPS server as the client tests.
target_sources(test_session PRIVATE ${dir}/../client/LoopbackHttpsServer.cpp ${dir}/../client/Subprocess.cpp)
target_include_directories(test_session PRIVATE ${dir}/../client)
