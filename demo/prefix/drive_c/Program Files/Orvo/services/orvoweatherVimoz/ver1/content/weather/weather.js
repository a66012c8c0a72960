// Shows a made-up forecast: the demo has no weather service behind it.
const skies = ["Sunny", "Partly cloudy", "Light rain", "Windy"];
document.getElementById("refresh").addEventListener("click", () => {
  document.getElementById("degrees").textContent = String(10 + Math.floor(Math.random() * 15));
  document.getElementById("sky").textContent = skies[Math.floor(Math.random() * skies.length)];
});
