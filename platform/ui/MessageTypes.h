// Icons, buttons and answers of the program's message boxes.
#pragma once

enum class MsgIcon { None, Error, Warning, Information, Exclamation, Question };

enum class MsgAnswer { Ok, Yes, No, Cancel };

enum class MsgButtons { Ok, YesNo, OkCancel };
