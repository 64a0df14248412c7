# The home every test runs with: cmake -DACTION=setup|check -DHOME=<folder> -P LyFakeHome.cmake
#
# setup: makes <folder> afresh, holding only a sentinel preferences file where the program
#        keeps its preferences.
# check: fails unless the sentinel is unchanged and nothing else appeared in <folder>. Tests
#        set up a temporary home of their own; a test that reaches HOME instead fails this.
if(NOT HOME OR NOT ACTION)
  message(FATAL_ERROR "LyFakeHome.cmake needs -DACTION=setup|check and -DHOME=<folder>")
endif()

set(sentinel "${HOME}/Documents/Lyrabridge Projects/LyrabridgePreferences.xml")
set(content "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- Sentinel of the test suite: no test may change, move or delete this file. -->\n<Settings/>\n")

if(ACTION STREQUAL "setup")
  file(REMOVE_RECURSE "${HOME}")
  file(WRITE "${sentinel}" "${content}")
elseif(ACTION STREQUAL "check")
  if(NOT EXISTS "${sentinel}")
    message(FATAL_ERROR "A test removed the sentinel preferences file [${sentinel}]")
  endif()
  file(READ "${sentinel}" found)
  if(NOT found STREQUAL content)
    message(FATAL_ERROR "A test changed the sentinel preferences file [${sentinel}]:\n${found}")
  endif()
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${HOME}" "${HOME}/*")
  list(SORT entries)
  set(expected "Documents" "Documents/Lyrabridge Projects"
               "Documents/Lyrabridge Projects/LyrabridgePreferences.xml")
  if(NOT entries STREQUAL expected)
    list(REMOVE_ITEM entries ${expected})
    list(JOIN entries "\n  " written)
    message(FATAL_ERROR "Tests wrote into the shared home [${HOME}]:\n  ${written}")
  endif()
else()
  message(FATAL_ERROR "Unknown ACTION [${ACTION}]")
endif()
