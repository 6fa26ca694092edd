window.cachedScriptRan = true;
