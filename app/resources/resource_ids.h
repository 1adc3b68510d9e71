// Resource ids of the executable; the window, the rc script and the tests share them.
#pragma once

// The program icon: the first (and only) icon group, so that Explorer shows it.
#define IDI_ZEFRA_APP 1

#define IDR_POINTER_HAND 101
#define IDR_POINTER_MOVE 102

// Pictures kept in their own formats (JPEG, GIF) and decoded by the platform at run time.
#define IDR_PICTURE_STRIP 201
#define IDR_PICTURE_ILLUSTRATION 202
#define IDR_PICTURE_WORDMARK 203
#define IDR_PICTURE_FOLDER 204
